#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// The program's own file, from which the application takes its name, and the program
// files of other processes.
class ProgramFile {
public:
    // Full path of the running program file; empty when the system does not tell it.
    static std::wstring Path();

    // The program file of process `pid`, as Path gives this process's; empty when the
    // system does not tell it. A file replaced or removed since the process started (an
    // upgrade, a rebuild) still gives its path, without the mark " (deleted)" that the
    // system then adds: the process runs the program of that name all the same.
    static std::wstring OfProcess(int pid);

    // The application name of a program file: its name without directory and without
    // extension. The directory part ends at the last '/', ':' or '\'; the extension starts
    // at the last '.' when no '\', '/' or space follows that dot. "Quorvex.exe" gives
    // "Quorvex", "/usr/bin/quorvex" gives "quorvex".
    static std::wstring ApplicationName(std::wstring_view path);
};

}  // namespace quorvex
