#include "sim/nmea_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvex {
namespace {

constexpr double kEarthRadius = 6371000.0;  // metres
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;
constexpr double kKilometresPerHourPerMetrePerSecond = 3.6;

double Radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

double WrapDegrees(double degrees)
{
    degrees = std::fmod(degrees, 360.0);
    return degrees < 0 ? degrees + 360.0 : degrees;
}

// A course as written with one decimal: 359.96 is 0.0, not 360.0.
double CourseTenths(double degrees)
{
    const double rounded = std::round(degrees * 10.0) / 10.0;
    return rounded >= 360.0 ? rounded - 360.0 : rounded;
}

std::uint64_t SplitMix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

NmeaGenerator::Time StartFromSeed(std::uint64_t seed)
{
    using namespace std::chrono;
    std::uint64_t state = seed ^ 0x5EEDDA7E5EEDDA7EULL;
    const sys_days first = year{2020} / January / 1;
    const auto day = first + days(SplitMix(state) % (5 * 365));
    return day + seconds(SplitMix(state) % 86400);
}

// Appends the pieces of one sentence to a fixed buffer with integer arithmetic only, so
// that no formatting call can allocate. The buffer is sized for the longest sentence the
// generator writes, which stays within the standard's 82 characters.
class SentenceWriter {
public:
    SentenceWriter(char* buffer, std::size_t capacity) : data(buffer), capacity(capacity) {}

    SentenceWriter& Text(std::string_view piece)
    {
        for (const char c : piece)
            Put(c);
        return *this;
    }
    SentenceWriter& Comma() { return Text(","); }

    // `value` in decimal, zero-padded to `width` digits.
    SentenceWriter& Unsigned(std::uint64_t value, int width = 1)
    {
        char digits[20];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        for (int i = count; i < width; ++i)
            Put('0');
        while (count > 0)
            Put(digits[--count]);
        return *this;
    }

    // `value` rounded to `decimals` places, its whole part zero-padded to `width` digits.
    SentenceWriter& Fixed(double value, int decimals, int width = 1)
    {
        std::uint64_t scale = 1;
        for (int i = 0; i < decimals; ++i)
            scale *= 10;
        const auto scaled =
            static_cast<std::int64_t>(std::llround(value * static_cast<double>(scale)));
        if (scaled < 0)
            Put('-');
        const std::uint64_t magnitude =
            scaled < 0 ? static_cast<std::uint64_t>(-scaled) : static_cast<std::uint64_t>(scaled);
        Unsigned(magnitude / scale, width);
        if (decimals > 0) {
            Put('.');
            Unsigned(magnitude % scale, decimals);
        }
        return *this;
    }

    // Degrees as NMEA writes them, degrees and minutes with four decimals, then the
    // hemisphere letter.
    SentenceWriter& Angle(double degrees, int degreeDigits, char positive, char negative)
    {
        const auto tenThousandths =
            static_cast<std::uint64_t>(std::llround(std::fabs(degrees) * 600000.0));
        Unsigned(tenThousandths / 600000, degreeDigits);
        const std::uint64_t minutes = tenThousandths % 600000;
        Unsigned(minutes / 10000, 2).Text(".").Unsigned(minutes % 10000, 4).Comma();
        Put(degrees < 0 ? negative : positive);
        return *this;
    }

    // Closes the sentence with its checksum, the XOR of everything between '$' and '*'.
    std::size_t Finish()
    {
        unsigned char sum = 0;
        for (std::size_t i = 1; i < length; ++i)
            sum ^= static_cast<unsigned char>(data[i]);
        constexpr char kHex[] = "0123456789ABCDEF";
        Put('*');
        Put(kHex[sum >> 4]);
        Put(kHex[sum & 0x0F]);
        Text("\r\n");
        return length;
    }

private:
    void Put(char c)
    {
        if (length < capacity)
            data[length++] = c;
    }

    char* data;
    std::size_t capacity;
    std::size_t length = 0;
};

void WriteTimeOfDay(SentenceWriter& out, NmeaGenerator::Time time)
{
    using namespace std::chrono;
    const hh_mm_ss clock(time - floor<days>(time));
    out.Unsigned(static_cast<std::uint64_t>(clock.hours().count()), 2)
        .Unsigned(static_cast<std::uint64_t>(clock.minutes().count()), 2)
        .Unsigned(static_cast<std::uint64_t>(clock.seconds().count()), 2)
        .Text(".")
        .Unsigned(static_cast<std::uint64_t>(clock.subseconds().count() / 10), 2);
}

void WriteDate(SentenceWriter& out, NmeaGenerator::Time time)
{
    using namespace std::chrono;
    const year_month_day date(floor<days>(time));
    out.Unsigned(static_cast<unsigned>(date.day()), 2)
        .Unsigned(static_cast<unsigned>(date.month()), 2)
        .Unsigned(static_cast<std::uint64_t>(static_cast<int>(date.year()) % 100), 2);
}

}  // namespace

NmeaGenerator::NmeaGenerator(std::uint64_t seed, int rateHz)
    : NmeaGenerator(seed, rateHz, StartFromSeed(seed))
{
}

NmeaGenerator::NmeaGenerator(std::uint64_t seed, int rateHz, Time start)
    : state(seed), rateHz(std::clamp(rateHz, kMinRateHz, kMaxRateHz)), start(start)
{
    latitude = Uniform(-60, 60);
    longitude = Uniform(-180, 180);
    altitude = Uniform(10, 1200);
    geoid = Uniform(-30, 60);
    speed = Uniform(5, 25);
    course = Uniform(0, 360);

    // Distinct PRNs, the first four of them strong enough to keep the fix three-dimensional.
    std::array<int, 32> prns{};
    for (int i = 0; i < 32; ++i)
        prns[i] = i + 1;
    satelliteCount = 9 + static_cast<int>(Random() % 4);
    for (int i = 0; i < satelliteCount; ++i) {
        std::swap(prns[i], prns[i + static_cast<int>(Random() % (32 - i))]);
        const bool strong = i < 4;
        satellites[i] = {
            prns[i], Uniform(5, 85), Uniform(0, 360),
            strong ? 35 + static_cast<int>(Random() % 16) : 15 + static_cast<int>(Random() % 36),
            strong};
    }
    // Receivers list the satellites in view by PRN.
    std::sort(satellites.begin(), satellites.begin() + satelliteCount,
              [](const Satellite& a, const Satellite& b) { return a.prn < b.prn; });
    UpdateFix();
}

std::chrono::microseconds NmeaGenerator::EpochOffset(std::uint64_t n) const
{
    return std::chrono::microseconds(static_cast<std::int64_t>(n * 1000000 / rateHz));
}

std::uint64_t NmeaGenerator::Random()
{
    return SplitMix(state);
}

double NmeaGenerator::Uniform(double low, double high)
{
    return low + (high - low) * static_cast<double>(Random() >> 11) * 0x1.0p-53;
}

void NmeaGenerator::UpdateFix()
{
    usedCount = 0;
    for (int i = 0; i < satelliteCount; ++i) {
        if (satellites[i].snr >= kUsableSnr)
            usedPrns[usedCount++] = satellites[i].prn;
    }
    hdop = 0.6 + 0.2 * (kMaxSatellites - usedCount) + Uniform(-0.05, 0.05);
}

// One epoch's motion: the course and speed wander, the position follows them over the
// sphere, and the satellites creep across the sky while their signals flicker.
void NmeaGenerator::Advance()
{
    const double dt = 1.0 / rateHz;
    course = WrapDegrees(course + Uniform(-6, 6) * dt);
    speed = std::clamp(speed + Uniform(-1, 1) * dt, 2.0, 30.0);

    const double distance = speed * dt;
    latitude += distance * std::cos(Radians(course)) / kEarthRadius * 180.0 / std::numbers::pi;
    if (std::fabs(latitude) > 80) {
        latitude = std::copysign(160.0, latitude) - latitude;
        course = WrapDegrees(180.0 - course);
    }
    longitude += distance * std::sin(Radians(course)) /
                 (kEarthRadius * std::cos(Radians(latitude))) * 180.0 / std::numbers::pi;
    if (longitude >= 180)
        longitude -= 360;
    else if (longitude < -180)
        longitude += 360;
    altitude = std::max(0.0, altitude + Uniform(-0.5, 0.5) * dt);

    for (int i = 0; i < satelliteCount; ++i) {
        Satellite& satellite = satellites[i];
        satellite.azimuth = WrapDegrees(satellite.azimuth + 0.008 * dt);
        satellite.elevation =
            std::clamp(satellite.elevation + (i % 2 ? 0.004 : -0.004) * dt, 1.0, 89.0);
        const int floor = satellite.strong ? kUsableSnr + 5 : 12;
        satellite.snr = std::clamp(satellite.snr + static_cast<int>(Random() % 3) - 1, floor, 52);
    }
    UpdateFix();
}

std::string_view NmeaGenerator::Next()
{
    if (sentence == 0 && epoch > 0)
        Advance();
    switch (sentence) {
        case 0:
            WriteGga();
            break;
        case 1:
            WriteGsa();
            break;
        case 2:
        case 3:
        case 4:
            WriteGsv(sentence - 1);
            break;
        case 5:
            WriteRmc();
            break;
        default:
            WriteVtg();
            break;
    }
    if (++sentence == kSentencesPerEpoch) {
        sentence = 0;
        ++epoch;
    }
    return {text.data(), length};
}

NmeaGenerator::Time NmeaGenerator::EpochTime() const
{
    return start + std::chrono::duration_cast<std::chrono::milliseconds>(EpochOffset(epoch));
}

void NmeaGenerator::WriteGga()
{
    SentenceWriter out(text.data(), text.size());
    out.Text("$GPGGA,");
    WriteTimeOfDay(out, EpochTime());
    out.Comma().Angle(latitude, 2, 'N', 'S').Comma().Angle(longitude, 3, 'E', 'W');
    out.Text(",1,").Unsigned(static_cast<std::uint64_t>(usedCount), 2).Comma().Fixed(hdop, 1);
    out.Comma().Fixed(altitude, 1).Text(",M,").Fixed(geoid, 1).Text(",M,,");
    length = out.Finish();
}

void NmeaGenerator::WriteGsa()
{
    SentenceWriter out(text.data(), text.size());
    out.Text("$GPGSA,A,3");
    for (int i = 0; i < kMaxSatellites; ++i) {
        out.Comma();
        if (i < usedCount)
            out.Unsigned(static_cast<std::uint64_t>(usedPrns[i]), 2);
    }
    out.Comma().Fixed(hdop * 1.7, 1).Comma().Fixed(hdop, 1).Comma().Fixed(hdop * 1.4, 1);
    length = out.Finish();
}

void NmeaGenerator::WriteGsv(int part)
{
    SentenceWriter out(text.data(), text.size());
    out.Text("$GPGSV,3,").Unsigned(static_cast<std::uint64_t>(part)).Comma();
    out.Unsigned(static_cast<std::uint64_t>(satelliteCount), 2);
    const int first = (part - 1) * 4;
    for (int i = first; i < std::min(first + 4, satelliteCount); ++i) {
        const Satellite& satellite = satellites[i];
        const auto azimuth = static_cast<std::uint64_t>(std::lround(satellite.azimuth)) % 360;
        out.Comma().Unsigned(static_cast<std::uint64_t>(satellite.prn), 2);
        out.Comma().Unsigned(static_cast<std::uint64_t>(std::lround(satellite.elevation)), 2);
        out.Comma().Unsigned(azimuth, 3);
        out.Comma().Unsigned(static_cast<std::uint64_t>(satellite.snr), 2);
    }
    length = out.Finish();
}

void NmeaGenerator::WriteRmc()
{
    SentenceWriter out(text.data(), text.size());
    out.Text("$GPRMC,");
    WriteTimeOfDay(out, EpochTime());
    out.Text(",A,").Angle(latitude, 2, 'N', 'S').Comma().Angle(longitude, 3, 'E', 'W');
    out.Comma().Fixed(speed * kKnotsPerMetrePerSecond, 1).Comma().Fixed(CourseTenths(course), 1);
    out.Comma();
    WriteDate(out, EpochTime());
    out.Text(",,,A");
    length = out.Finish();
}

void NmeaGenerator::WriteVtg()
{
    SentenceWriter out(text.data(), text.size());
    out.Text("$GPVTG,").Fixed(CourseTenths(course), 1).Text(",T,,M,");
    out.Fixed(speed * kKnotsPerMetrePerSecond, 1).Text(",N,");
    out.Fixed(speed * kKilometresPerHourPerMetrePerSecond, 1).Text(",K,A");
    length = out.Finish();
}

}  // namespace quorvex
