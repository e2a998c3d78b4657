#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quorvex {

// What quorvex-nmea-sim is asked to do, from its command line:
//
//   --device NAME    talk on a serial device: a path, or COMn as Quorvex resolves it
//   --pty            talk on a pseudo-terminal made for the purpose; its path is printed
//   --link COMn      with --pty: link it as devices/comn in the prefix while running
//   --baud N         the line's rate, which paces the sentences (default 4800)
//   --rate HZ        epochs a second, 1 to 10 (default 1)
//   --seed N         the simulation's seed (default 1)
//   --epochs N       stop after N epochs (default: run until SIGINT, SIGTERM or SIGHUP)
//   --seconds N      stop after N seconds
//   --await-open     start the stream, and the clock of --seconds, only once the other end
//                    has opened the line (with --pty; a device counts as open at once)
//   --linger         after --epochs or --seconds, keep the line open and quiet until a
//                    stop signal
//   --listen         send nothing: play the device at a line's other end
//   --received FILE  copy what arrives to FILE ("-": standard output)
//   --sent FILE      copy what is sent to FILE
struct SimOptions {
    std::string device;  // empty with --pty
    bool pty = false;
    std::string link;  // "com5"; empty for none
    std::uint32_t baud = 4800;
    int rateHz = 1;
    std::uint64_t seed = 1;
    std::uint64_t epochs = 0;   // 0: no limit
    std::uint64_t seconds = 0;  // 0: no limit
    bool awaitOpen = false;
    bool linger = false;
    bool listen = false;
    std::string received;
    std::string sent;
    bool help = false;

    // Reads the arguments after the program's name. False, with `error` saying what is
    // wrong, for an unknown option, a missing or bad value, or a combination that makes no
    // sense (neither or both of --device and --pty, --link without --pty).
    static bool Parse(std::span<const char* const> arguments, SimOptions& options,
                      std::string& error);

    static const char* Usage();
};

}  // namespace quorvex
