#include "platform/system/display_server.h"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

// The X11 servers' first TCP port; display n listens at this plus n.
constexpr int kX11TcpPort = 6000;

std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t end = text.find(separator);
        parts.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return parts;
        text.remove_prefix(end + 1);
    }
}

// Whether a connection could be made: an open descriptor is closed again at once. A local
// socket whose queue is full (EAGAIN) has a server behind it all the same.
bool Answered(const SystemResult& connected)
{
    if (connected.Ok())
        (void)Posix::Close(static_cast<int>(connected.value));  // nothing was sent on it
    return connected.Ok() || connected.error == EAGAIN;
}

class Probe {
public:
    explicit Probe(const DisplayServer::Options& options) : options(options) {}

    const char* Get(const char* name) const
    {
        return options.environment ? options.environment(name) : std::getenv(name);
    }

    // Whether the X display DISPLAY names answers; otherwise `why` says what was tried.
    bool X11(std::string& why) const
    {
        const char* display = Get("DISPLAY");
        if (!display || !*display) {
            why = "DISPLAY is not set";
            return false;
        }
        const std::string name = display;
        const std::size_t colon = name.rfind(':');
        std::string host = colon == std::string::npos ? "" : name.substr(0, colon);
        const std::string rest = colon == std::string::npos ? "" : name.substr(colon + 1);
        const std::size_t dot = rest.find('.');
        const std::string number = rest.substr(0, dot);
        const std::string protocol =
            host.find('/') == std::string::npos ? "" : host.substr(0, host.find('/'));
        if (!protocol.empty())
            host.erase(0, protocol.size() + 1);
        if (colon == std::string::npos || number.empty() || number.size() > 5 ||
            number.find_first_not_of("0123456789") != std::string::npos ||
            (!host.empty() && host.back() == ':')) {
            why = "the X display " + name + " is not a display name this program can use";
            return false;
        }
        int displayNumber = 0;
        (void)std::from_chars(number.data(), number.data() + number.size(),
                              displayNumber);  // five digits at most
        if ((host.empty() || host == "unix") && (protocol.empty() || protocol == "unix")) {
            const std::string path = options.xSocketFolder + "/X" + number;
            if (Answered(Posix::ConnectLocal(path, true)) ||
                Answered(Posix::ConnectLocal(path, false)))
                return true;
            why = "the X display " + name + " does not answer (nothing listens at " + path + ")";
            return false;
        }
        const int port = kX11TcpPort + displayNumber;
        if (Answered(Posix::ConnectTcp(host, port, options.tcpTimeoutMs)))
            return true;
        why = "the X display " + name + " does not answer (nothing listens at " + host + " port " +
              std::to_string(port) + ")";
        return false;
    }

    // Whether the Wayland compositor WAYLAND_DISPLAY names answers.
    bool Wayland(std::string& why) const
    {
        const char* handed = Get("WAYLAND_SOCKET");
        if (handed && *handed)
            return true;  // a connection made for this process: nothing to ask
        const char* display = Get("WAYLAND_DISPLAY");
        const std::string name = display && *display ? display : "wayland-0";
        std::string path = name;
        if (name.front() != '/') {
            const char* runtime = Get("XDG_RUNTIME_DIR");
            if (!runtime || *runtime != '/') {
                why =
                    "the Wayland display " + name + " cannot be found (XDG_RUNTIME_DIR is not set)";
                return false;
            }
            path = std::string(runtime) + "/" + name;
        }
        if (Answered(Posix::ConnectLocal(path, false)))
            return true;
        why = "the Wayland display " + name + " does not answer (nothing listens at " + path + ")";
        return false;
    }

private:
    const DisplayServer::Options& options;
};

}  // namespace

std::vector<std::string> DisplayServer::Candidates(const Environment& environment)
{
    const auto get = [&](const char* name) {
        return environment ? environment(name) : std::getenv(name);
    };
    const char* named = get("QT_QPA_PLATFORM");
    if (named && *named) {
        std::vector<std::string> platforms;
        for (std::string& platform : Split(named, ';'))
            if (!platform.empty())
                platforms.push_back(std::move(platform));
        return platforms;
    }
    const char* session = get("XDG_SESSION_TYPE");
    if ((session && std::string_view(session) == "wayland") || get("WAYLAND_DISPLAY"))
        return {"wayland", "xcb"};
    return {"xcb"};
}

DisplayServer::Found DisplayServer::Find(const Options& options)
{
    const Probe probe(options);
    Found found;
    std::vector<std::string> reasons;
    for (const std::string& platform : Candidates(options.environment)) {
        const std::string kind = platform.substr(0, platform.find(':'));
        std::string why;
        bool answers = true;
        if (kind == "xcb")
            answers = probe.X11(why);
        else if (kind.rfind("wayland", 0) == 0)
            answers = probe.Wayland(why);
        if (answers)
            found.platforms += (found.platforms.empty() ? "" : ";") + platform;
        else
            reasons.push_back(why);
    }
    if (found.platforms.empty()) {
        found.why = "no display server answers: ";
        for (std::size_t i = 0; i < reasons.size(); ++i)
            found.why += (i == 0 ? "" : "; ") + reasons[i];
        if (reasons.empty())
            found.why += "QT_QPA_PLATFORM names no platform";
    }
    return found;
}

}  // namespace quorvex
