#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvex {

// The NMEA 0183 output of a simulated GPS receiver on the move: each epoch, in this order,
// GGA, GSA, three GSV, RMC and VTG, with checksums and CRLF, at 1 to 10 epochs a second.
// The stream is a function of the seed, the rate and the start time alone: two generators
// made alike write the same bytes. The receiver drives a wandering course at road speeds;
// nine to twelve satellites are in view, and those with a usable signal make the fix.
//
// Nothing is allocated after construction. One thread at a time uses an object.
class NmeaGenerator {
public:
    static constexpr int kMinRateHz = 1;
    static constexpr int kMaxRateHz = 10;
    static constexpr int kSentencesPerEpoch = 7;
    // The longest sentence NMEA 0183 allows, from '$' to the line feed.
    static constexpr std::size_t kMaxSentenceLength = 82;

    using Time = std::chrono::sys_time<std::chrono::milliseconds>;

    // `rateHz` outside 1..10 is taken as the nearest of them. The first epoch is stamped
    // `start` (UTC), or, without it, a time and date between 2020 and 2025 chosen by the seed.
    NmeaGenerator(std::uint64_t seed, int rateHz);
    NmeaGenerator(std::uint64_t seed, int rateHz, Time start);

    // The next sentence, from '$' to "\r\n"; the view stays valid until the next call.
    std::string_view Next();

    int RateHz() const { return rateHz; }
    // The epoch the next sentence belongs to, counted from 0, and whether it is the first
    // sentence of that epoch.
    std::uint64_t Epoch() const { return epoch; }
    bool AtEpochStart() const { return sentence == 0; }
    // How long after the first epoch epoch `n` begins: n periods of 1/rate s, in whole
    // microseconds. The sentences of an epoch carry this time (to the hundredth).
    std::chrono::microseconds EpochOffset(std::uint64_t n) const;

private:
    static constexpr int kMaxSatellites = 12;
    static constexpr int kUsableSnr = 25;  // dB-Hz; weaker satellites stay out of the fix

    struct Satellite {
        int prn;
        double elevation;  // degrees above the horizon
        double azimuth;    // degrees from true north
        int snr;           // dB-Hz
        bool strong;       // never fades below usable
    };

    Time EpochTime() const;
    void Advance();
    std::uint64_t Random();
    double Uniform(double low, double high);
    void UpdateFix();

    void WriteGga();
    void WriteGsa();
    void WriteGsv(int part);
    void WriteRmc();
    void WriteVtg();

    std::uint64_t state;
    int rateHz;
    Time start;
    std::uint64_t epoch = 0;
    int sentence = 0;

    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
    double altitude = 0;   // metres above the geoid
    double geoid = 0;      // metres, geoid above the ellipsoid
    double speed = 0;      // metres per second over ground
    double course = 0;     // degrees from true north
    double hdop = 1;       // horizontal dilution of precision
    int satelliteCount = 0;
    std::array<Satellite, kMaxSatellites> satellites{};
    int usedCount = 0;
    std::array<int, kMaxSatellites> usedPrns{};

    std::array<char, kMaxSentenceLength + 1> text{};
    std::size_t length = 0;
};

}  // namespace quorvex
