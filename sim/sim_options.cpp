#include "sim/sim_options.h"

#include <charconv>
#include <string_view>

#include "sim/nmea_generator.h"

namespace quorvex {
namespace {

bool ParseNumber(std::string_view text, std::uint64_t low, std::uint64_t high, std::uint64_t& value)
{
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    return fault == std::errc() && end == text.data() + text.size() && !text.empty() &&
           value >= low && value <= high;
}

// "COM5", "com5" or "COM5:" as the name of its link, "com5".
bool LinkName(std::string_view text, std::string& link)
{
    if (text.ends_with(':'))
        text.remove_suffix(1);
    if (text.size() < 4 || (text.substr(0, 3) != "COM" && text.substr(0, 3) != "com"))
        return false;
    std::uint64_t number = 0;
    if (!ParseNumber(text.substr(3), 1, 255, number) || text[3] == '0')
        return false;
    link = "com" + std::to_string(number);
    return true;
}

}  // namespace

const char* SimOptions::Usage()
{
    return "usage: quorvex-nmea-sim (--device NAME | --pty [--link COMn]) [--baud N] [--rate HZ]\n"
           "                        [--seed N] [--epochs N | --seconds N] [--await-open]\n"
           "                        [--linger] [--listen] [--received FILE] [--sent FILE]\n"
           "Plays a GPS receiver: writes an NMEA 0183 stream (GGA, GSA, GSV, RMC, VTG) to a\n"
           "serial device or to a pseudo-terminal it makes, paced at the line's baud rate,\n"
           "and reports what is written back to it. --listen plays the device at the other\n"
           "end instead: it writes nothing and reports what arrives.\n";
}

bool SimOptions::Parse(std::span<const char* const> arguments, SimOptions& options,
                       std::string& error)
{
    options = SimOptions();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view name = arguments[i];
        const bool flag = name == "--pty" || name == "--listen" || name == "--linger" ||
                          name == "--await-open" || name == "--help";
        if (!flag && i + 1 == arguments.size()) {
            error = std::string(name) + " needs a value";
            return false;
        }
        const std::string_view value = flag ? std::string_view() : arguments[++i];
        std::uint64_t number = 0;
        bool good = true;
        if (name == "--pty") {
            options.pty = true;
        } else if (name == "--listen") {
            options.listen = true;
        } else if (name == "--linger") {
            options.linger = true;
        } else if (name == "--await-open") {
            options.awaitOpen = true;
        } else if (name == "--help") {
            options.help = true;
        } else if (name == "--device") {
            options.device = value;
            good = !value.empty();
        } else if (name == "--link") {
            good = LinkName(value, options.link);
        } else if (name == "--baud") {
            good = ParseNumber(value, 50, 4000000, number);
            options.baud = static_cast<std::uint32_t>(number);
        } else if (name == "--rate") {
            good = ParseNumber(value, NmeaGenerator::kMinRateHz, NmeaGenerator::kMaxRateHz, number);
            options.rateHz = static_cast<int>(number);
        } else if (name == "--seed") {
            good = ParseNumber(value, 0, UINT64_MAX, options.seed);
        } else if (name == "--epochs") {
            good = ParseNumber(value, 1, UINT64_MAX, options.epochs);
        } else if (name == "--seconds") {
            good = ParseNumber(value, 1, 31u * 24 * 3600, options.seconds);
        } else if (name == "--received") {
            options.received = value;
            good = !value.empty();
        } else if (name == "--sent") {
            options.sent = value;
            good = !value.empty();
        } else {
            error = "unknown option " + std::string(name);
            return false;
        }
        if (!good) {
            error = "bad value for " + std::string(name) + ": " + std::string(value);
            return false;
        }
    }
    if (options.help)
        return true;
    if (options.pty == !options.device.empty()) {
        error = "give either --device NAME or --pty";
        return false;
    }
    if (!options.link.empty() && !options.pty) {
        error = "--link needs --pty";
        return false;
    }
    return true;
}

}  // namespace quorvex
