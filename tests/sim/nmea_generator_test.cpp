#include "sim/nmea_generator.h"

#include "tests/sim/allocation_count.h"

#include <cctype>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using namespace std::chrono;

// One sentence taken apart: its fields between '$' and '*', after its frame and checksum
// have been checked.
struct Sentence {
    std::string body;  // from the talker to the last field
    std::vector<std::string> fields;
};

Sentence Parse(std::string_view text)
{
    Sentence sentence;
    EXPECT_LE(text.size(), NmeaGenerator::kMaxSentenceLength) << text;
    EXPECT_GE(text.size(), 11u) << text;
    if (text.size() < 11)
        return sentence;
    EXPECT_EQ(text.front(), '$') << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << text;
    const std::size_t star = text.size() - 5;
    EXPECT_EQ(text[star], '*') << text;
    unsigned sum = 0;
    for (const char c : text.substr(1, star - 1)) {
        EXPECT_TRUE(c >= 0x20 && c <= 0x7E && c != '$' && c != '*') << text;
        sum ^= static_cast<unsigned char>(c);
    }
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum);
    EXPECT_EQ(text.substr(star + 1, 2), hex) << text;

    sentence.body = std::string(text.substr(1, star - 1));
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = sentence.body.find(',', from);
        sentence.fields.push_back(sentence.body.substr(from, comma - from));
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    return sentence;
}

// Degrees from NMEA's degrees-and-minutes field and its hemisphere.
double Degrees(const std::string& field, const std::string& hemisphere)
{
    const double value = std::stod(field);
    const double degrees = std::floor(value / 100) + std::fmod(value, 100) / 60;
    return hemisphere == "S" || hemisphere == "W" ? -degrees : degrees;
}

// Hundredths of a second since midnight, from hhmmss.ss.
long Hundredths(const std::string& field)
{
    return std::stol(field.substr(0, 2)) * 360000 + std::stol(field.substr(2, 2)) * 6000 +
           std::stol(field.substr(4, 2)) * 100 + std::stol(field.substr(7, 2));
}

struct Epoch {
    std::vector<Sentence> sentences;
    const Sentence& Gga() const { return sentences[0]; }
    const Sentence& Rmc() const { return sentences[5]; }
    double Latitude() const { return Degrees(Gga().fields[2], Gga().fields[3]); }
    double Longitude() const { return Degrees(Gga().fields[4], Gga().fields[5]); }
    double SpeedMetresPerSecond() const { return std::stod(Rmc().fields[7]) * 1852 / 3600; }
};

Epoch NextEpoch(NmeaGenerator& generator)
{
    EXPECT_TRUE(generator.AtEpochStart());
    Epoch epoch;
    for (int i = 0; i < NmeaGenerator::kSentencesPerEpoch; ++i)
        epoch.sentences.push_back(Parse(generator.Next()));
    return epoch;
}

// Whether `field` has one of the shapes in `shapes`, separated by '|': 'd' is one digit,
// '#' one or more, '-' an optional minus sign, anything else itself. "" allows an empty field.
bool Shaped(std::string_view field, std::string_view shapes)
{
    for (;;) {
        const std::size_t bar = shapes.find('|');
        const std::string_view shape = shapes.substr(0, bar);
        std::size_t at = 0;
        bool fits = true;
        for (const char c : shape) {
            const auto digit = [&] { return at < field.size() && std::isdigit(field[at]) != 0; };
            if (c == 'd') {
                fits = fits && digit();
                ++at;
            } else if (c == '#') {
                fits = fits && digit();
                while (digit())
                    ++at;
            } else if (c == '-') {
                at += at < field.size() && field[at] == '-' ? 1 : 0;
            } else {
                fits = fits && at < field.size() && field[at] == c;
                ++at;
            }
        }
        if (fits && at == field.size())
            return true;
        if (bar == std::string_view::npos)
            return false;
        shapes.remove_prefix(bar + 1);
    }
}

// Checks every field of `sentence` against its shape, in order.
void ExpectShapes(const Sentence& sentence, std::initializer_list<std::string_view> shapes)
{
    ASSERT_EQ(sentence.fields.size(), shapes.size()) << sentence.body;
    std::size_t i = 0;
    for (const std::string_view shape : shapes) {
        EXPECT_TRUE(Shaped(sentence.fields[i], shape))
            << "field " << i << " '" << sentence.fields[i] << "' of " << sentence.body;
        ++i;
    }
}

int Number(const std::string& field, std::size_t from, std::size_t count)
{
    return std::stoi(field.substr(from, count));
}

void ExpectTimeAndPlace(const std::vector<std::string>& f, std::size_t time, std::size_t place)
{
    EXPECT_LT(Number(f[time], 0, 2), 24);
    EXPECT_LT(Number(f[time], 2, 2), 60);
    EXPECT_LT(Number(f[time], 4, 2), 60);
    EXPECT_LE(Number(f[place], 0, 2), 90);
    EXPECT_LT(Number(f[place], 2, 2), 60);
    EXPECT_LE(Number(f[place + 2], 0, 3), 180);
    EXPECT_LT(Number(f[place + 2], 3, 2), 60);
}

// The shape of every sentence and what the sentences of one epoch must agree on.
void CheckEpoch(const Epoch& epoch)
{
    const auto& s = epoch.sentences;
    ASSERT_EQ(s.size(), 7u);
    ExpectShapes(s[0], {"GPGGA", "dddddd.dd", "dddd.dddd", "N|S", "ddddd.dddd", "E|W", "1", "dd",
                        "#.d", "#.d", "M", "-#.d", "M", "", ""});
    ExpectTimeAndPlace(s[0].fields, 1, 2);
    EXPECT_GE(std::stoi(s[0].fields[7]), 4);
    ExpectShapes(s[1], {"GPGSA", "A", "3", "dd", "dd", "dd", "dd", "dd|", "dd|", "dd|", "dd|",
                        "dd|", "dd|", "dd|", "dd|", "#.d", "#.d", "#.d"});
    for (int part = 1; part <= 3; ++part) {
        const Sentence& gsv = s[1 + part];
        const int inView = std::stoi(s[2].fields[3]);
        EXPECT_TRUE(inView >= 9 && inView <= 12) << gsv.body;
        ASSERT_EQ(gsv.fields.size(), 4 + 4 * std::min(4u, unsigned(inView - 4 * (part - 1))));
        EXPECT_EQ(gsv.fields[0], "GPGSV");
        EXPECT_EQ(gsv.fields[1], "3");
        EXPECT_EQ(gsv.fields[2], std::to_string(part)) << gsv.body;
        EXPECT_EQ(gsv.fields[3], s[2].fields[3]);
        for (std::size_t i = 4; i < gsv.fields.size(); i += 4) {
            for (const auto& [offset, shape, low, high] : {std::tuple{0, "dd", 1, 32},
                                                           {1, "dd", 0, 90},
                                                           {2, "ddd", 0, 359},
                                                           {3, "dd", 0, 99}}) {
                const std::string& field = gsv.fields[i + offset];
                EXPECT_TRUE(Shaped(field, shape)) << gsv.body;
                EXPECT_TRUE(std::stoi(field) >= low && std::stoi(field) <= high) << gsv.body;
            }
        }
    }
    ExpectShapes(s[5], {"GPRMC", "dddddd.dd", "A", "dddd.dddd", "N|S", "ddddd.dddd", "E|W", "#.d",
                        "#.d", "dddddd", "", "", "A"});
    ExpectTimeAndPlace(s[5].fields, 1, 3);
    EXPECT_LT(std::stod(s[5].fields[8]), 360);
    const int day = Number(s[5].fields[9], 0, 2);
    const int month = Number(s[5].fields[9], 2, 2);
    EXPECT_TRUE(day >= 1 && day <= 31 && month >= 1 && month <= 12) << s[5].body;
    ExpectShapes(s[6], {"GPVTG", "#.d", "T", "", "M", "#.d", "N", "#.d", "K", "A"});

    // GGA and RMC describe one fix; VTG repeats RMC's motion.
    EXPECT_EQ(s[0].fields[1], s[5].fields[1]);
    for (int i = 2; i <= 5; ++i)
        EXPECT_EQ(s[0].fields[i], s[5].fields[i + 1]);
    EXPECT_EQ(s[6].fields[1], s[5].fields[8]);
    EXPECT_EQ(s[6].fields[5], s[5].fields[7]);
    EXPECT_NEAR(std::stod(s[6].fields[7]), std::stod(s[6].fields[5]) * 1.852, 0.15);

    // The fix uses as many satellites as GGA says, each one in view.
    std::vector<std::string> inView;
    for (int part = 1; part <= 3; ++part) {
        for (std::size_t i = 4; i < s[1 + part].fields.size(); i += 4)
            inView.push_back(s[1 + part].fields[i]);
    }
    int used = 0;
    for (int i = 3; i < 15; ++i) {
        if (s[1].fields[i].empty())
            continue;
        ++used;
        EXPECT_NE(std::find(inView.begin(), inView.end(), s[1].fields[i]), inView.end());
    }
    EXPECT_EQ(used, std::stoi(s[0].fields[7]));
    EXPECT_EQ(s[1].fields[16], s[0].fields[8]);  // HDOP
}

TEST(NmeaGenerator, EverySentenceIsWellFormedAndTheEpochsAgree)
{
    for (const std::uint64_t seed : {0ull, 1ull, 7ull, 0xFFFFFFFFFFFFFFFFull}) {
        for (int rate = 1; rate <= 10; rate += 3) {
            // Ten minutes at the top rate: long enough for any signal to fade.
            const int epochs = rate == 10 ? 6000 : 300;
            NmeaGenerator generator(seed, rate);
            for (int epoch = 0; epoch < epochs; ++epoch) {
                ASSERT_NO_FATAL_FAILURE(CheckEpoch(NextEpoch(generator)))
                    << "seed " << seed << " rate " << rate << " epoch " << epoch;
            }
            EXPECT_EQ(generator.Epoch(), static_cast<std::uint64_t>(epochs));
        }
    }
}

TEST(NmeaGenerator, SameSeedSameBytesOtherSeedOthers)
{
    NmeaGenerator a(42, 5);
    NmeaGenerator b(42, 5);
    NmeaGenerator c(43, 5);
    bool differs = false;
    for (int i = 0; i < 700; ++i) {
        const std::string fromA(a.Next());
        EXPECT_EQ(fromA, b.Next());
        differs = differs || fromA != c.Next();
    }
    EXPECT_TRUE(differs);
}

TEST(NmeaGenerator, TimeAdvancesByOneEpochAndTheDateRollsAtMidnight)
{
    const NmeaGenerator::Time start = sys_days(year{2025} / December / 31) + 23h + 59min + 58s;
    for (int rate = 1; rate <= 10; ++rate) {
        NmeaGenerator generator(3, rate, start);
        for (int n = 0; n < 4 * rate; ++n) {
            const Epoch epoch = NextEpoch(generator);
            const long expected = (23 * 3600 + 59 * 60 + 58) * 100 + n * 100 / rate;
            EXPECT_EQ(Hundredths(epoch.Gga().fields[1]), expected % 8640000)
                << "rate " << rate << " epoch " << n;
            EXPECT_EQ(epoch.Rmc().fields[9], expected < 8640000 ? "311225" : "010126");
        }
        EXPECT_EQ(generator.EpochOffset(static_cast<std::uint64_t>(rate)), 1s);
    }
}

// Consecutive fixes lie as far apart, and in the direction, that the reported speed and
// course say: a receiver whose position jumps, or moves against its course, is not one
// that a navigation program downstream would accept.
TEST(NmeaGenerator, PositionMovesAsTheReportedSpeedAndCourseSay)
{
    for (const auto& [seed, rate] : {std::pair{11, 1}, {12, 10}, {13, 1}, {14, 10}, {15, 1}}) {
        NmeaGenerator generator(static_cast<std::uint64_t>(seed), rate);
        Epoch previous = NextEpoch(generator);
        for (int second = 0; second < 120; ++second) {
            Epoch next;
            for (int i = 0; i < rate; ++i)
                next = NextEpoch(generator);
            const double north =
                (next.Latitude() - previous.Latitude()) * std::numbers::pi / 180 * 6371000;
            const double east = (next.Longitude() - previous.Longitude()) * std::numbers::pi / 180 *
                                6371000 * std::cos(next.Latitude() * std::numbers::pi / 180);
            const double distance = std::hypot(north, east);
            const double speed =
                (previous.SpeedMetresPerSecond() + next.SpeedMetresPerSecond()) / 2;
            EXPECT_NEAR(distance, speed, 0.1 * speed + 0.5) << "rate " << rate << " s " << second;
            const double bearing =
                std::fmod(std::atan2(east, north) * 180 / std::numbers::pi + 360, 360);
            const double course = std::stod(next.Rmc().fields[8]);
            const double off = std::fabs(std::remainder(bearing - course, 360.0));
            EXPECT_LT(off, 15.0) << "rate " << rate << " s " << second;
            previous = next;
        }
    }
}

TEST(NmeaGenerator, WritesSentencesWithoutAllocating)
{
    NmeaGenerator generator(5, 10);
    std::size_t bytes = 0;
    const long before = testing::AllocationCount();
    for (int i = 0; i < 7000; ++i)
        bytes += generator.Next().size();
    EXPECT_EQ(testing::AllocationCount(), before);
    EXPECT_GT(bytes, 7000u * 40);
}

}  // namespace
}  // namespace quorvex
