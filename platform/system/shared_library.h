#pragma once

#include <string>

namespace quorvex {

// A shared library that the program loads while it runs, for a part installed apart from
// it (the window display). Found by an absolute path alone, never by a search the
// environment could steer (LD_LIBRARY_PATH, RPATH); opened first and checked on the open
// file (a regular file owned by root or the effective user, writable by nobody else), and
// kept only when the path still names that file after loading. Every symbol is resolved at
// load (RTLD_NOW): a library that does not fit the program fails here, with the loader's
// words, rather than at its first call. A loaded library stays for the process's life,
// since the libraries it brings in (Qt's) are not made to be unloaded. Any thread.
class SharedLibrary {
public:
    SharedLibrary() = default;

    // Loads the library at `path`; false, with `error` saying why, when it is missing,
    // fails the checks or cannot be loaded.
    bool Load(const std::string& path, std::string& error);

    // The address of the symbol `name`, or null.
    void* Symbol(const char* name) const;

private:
    void* handle = nullptr;
};

}  // namespace quorvex
