#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quorvex {

// Which of Qt's window-system platforms can open a window now, found before Qt is asked.
// Qt tries the platforms of its list in turn and ends the whole process when none of them
// can connect, so the program asks first, and hands Qt only the platforms whose server
// answers: a clean message and exit code instead of an abort.
//
// The list is the one Qt would try: QT_QPA_PLATFORM (platforms separated by ';', each
// perhaps with ':' options) when it is set and not empty; otherwise "wayland;xcb" when
// XDG_SESSION_TYPE is "wayland" or WAYLAND_DISPLAY is set (even empty), else "xcb". An
// X11 platform ("xcb") answers when a connection to the display DISPLAY names can be
// made: the local socket (abstract, then the file in /tmp/.X11-unix) for ":n" or "unix:n",
// TCP port 6000 + n of the host otherwise. A Wayland platform ("wayland", "wayland-egl"
// and the like) answers when WAYLAND_SOCKET hands one over, or when the socket
// WAYLAND_DISPLAY names (wayland-0 when unset; in XDG_RUNTIME_DIR unless absolute) takes
// a connection. Any other platform (offscreen, eglfs, vnc, ...) needs no server to ask
// and is kept as named. Connections are closed at once; the server sees a client come and
// go. Any thread.
class DisplayServer {
public:
    // The environment's value of a name, or null when unset.
    using Environment = std::function<const char*(const char*)>;

    struct Options {
        Environment environment;  // none: the process's own
        std::string xSocketFolder = "/tmp/.X11-unix";
        int tcpTimeoutMs = 2000;
    };

    struct Found {
        // What to hand Qt as its platform list, ';'-separated; empty when none answers.
        std::string platforms;
        // When none answers: why, in words for a person ("the X display :5 does not
        // answer (nothing listens at /tmp/.X11-unix/X5)").
        std::string why;
    };

    static Found Find(const Options& options);
    static Found Find() { return Find(Options{}); }

    // The platforms Qt would try, in its order, from the environment alone.
    static std::vector<std::string> Candidates(const Environment& environment);
};

}  // namespace quorvex
