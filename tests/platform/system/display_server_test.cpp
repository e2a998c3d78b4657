#include "platform/system/display_server.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

using Names = std::map<std::string, std::string>;

DisplayServer::Environment From(const Names& names)
{
    return [names](const char* name) -> const char* {
        const auto found = names.find(name);
        return found == names.end() ? nullptr : found->second.c_str();
    };
}

std::string Joined(const std::vector<std::string>& platforms)
{
    std::string text;
    for (const std::string& platform : platforms)
        text += (text.empty() ? "" : ";") + platform;
    return text;
}

// A server that listens and never answers more than the connection itself.
class Listener {
public:
    // On a local socket file.
    explicit Listener(const std::string& path) : fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::listen(fd, 4) == 0;
    }
    // On a TCP port of the loopback address that the system picks.
    Listener() : fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::listen(fd, 4) == 0 &&
             ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }

    int fd;
    bool ok = false;
    int port = 0;
};

TEST(DisplayServerTest, TheCandidatesAreThoseQtWouldTryInItsOrder)
{
    EXPECT_EQ(Joined(DisplayServer::Candidates(From({}))), "xcb");
    EXPECT_EQ(Joined(DisplayServer::Candidates(From({{"QT_QPA_PLATFORM", ""}}))), "xcb");
    EXPECT_EQ(Joined(DisplayServer::Candidates(From({{"XDG_SESSION_TYPE", "wayland"}}))),
              "wayland;xcb");
    // Set, even empty, WAYLAND_DISPLAY puts Wayland first.
    EXPECT_EQ(Joined(DisplayServer::Candidates(From({{"WAYLAND_DISPLAY", ""}}))), "wayland;xcb");
    EXPECT_EQ(Joined(DisplayServer::Candidates(From({{"XDG_SESSION_TYPE", "x11"}}))), "xcb");
    EXPECT_EQ(Joined(DisplayServer::Candidates(
                  From({{"QT_QPA_PLATFORM", "wayland-egl;;xcb:nograb"}, {"DISPLAY", ":0"}}))),
              "wayland-egl;xcb:nograb");
}

class DisplayServerProbeTest : public ::testing::Test {
protected:
    DisplayServer::Found Find(Names names)
    {
        DisplayServer::Options options;
        options.environment = From(names);
        options.xSocketFolder = folder.Path().string();
        options.tcpTimeoutMs = 1000;
        return DisplayServer::Find(options);
    }

    testing::TempPrefix folder;
};

TEST_F(DisplayServerProbeTest, AnXDisplayAnswersWhenItsSocketTakesAConnection)
{
    const std::string socket = (folder.Path() / "X7").string();
    EXPECT_EQ(Find({{"DISPLAY", ":7"}}).why,
              "no display server answers: the X display :7 does not answer (nothing listens at " +
                  socket + ")");
    const Listener server(socket);
    ASSERT_TRUE(server.ok);
    EXPECT_EQ(Find({{"DISPLAY", ":7"}}).platforms, "xcb");
    EXPECT_EQ(Find({{"DISPLAY", "unix:7.0"}}).platforms, "xcb");
    EXPECT_EQ(Find({{"DISPLAY", ":8"}}).platforms, "");
    EXPECT_EQ(Find({}).why, "no display server answers: DISPLAY is not set");
    EXPECT_NE(Find({{"DISPLAY", "host::0"}}).why.find("not a display name"), std::string::npos);
    EXPECT_NE(Find({{"DISPLAY", ":x"}}).why.find("not a display name"), std::string::npos);
}

TEST_F(DisplayServerProbeTest, AnXDisplayOnAHostIsAskedOnItsTcpPort)
{
    const Listener server;
    ASSERT_TRUE(server.ok);
    ASSERT_GT(server.port, 6000);
    const std::string display = "127.0.0.1:" + std::to_string(server.port - 6000);
    EXPECT_EQ(Find({{"DISPLAY", display}}).platforms, "xcb");
}

TEST_F(DisplayServerProbeTest, OnlyThePlatformsThatAnswerAreHandedOn)
{
    const std::string wayland = (folder.Path() / "wayland-3").string();
    const Names names{{"WAYLAND_DISPLAY", "wayland-3"},
                      {"XDG_RUNTIME_DIR", folder.Path().string()},
                      {"DISPLAY", ":7"}};
    const DisplayServer::Found none = Find(names);
    EXPECT_EQ(none.platforms, "");
    EXPECT_EQ(none.why,
              "no display server answers: the Wayland display wayland-3 does not answer "
              "(nothing listens at " +
                  wayland + "); the X display :7 does not answer (nothing listens at " +
                  (folder.Path() / "X7").string() + ")");
    {
        const Listener compositor(wayland);
        ASSERT_TRUE(compositor.ok);
        EXPECT_EQ(Find(names).platforms, "wayland");
        // An absolute name is the socket itself.
        EXPECT_EQ(Find({{"WAYLAND_DISPLAY", wayland}}).platforms, "wayland");
    }
    const Listener server((folder.Path() / "X7").string());
    EXPECT_EQ(Find(names).platforms, "xcb");
    // Without a runtime folder the compositor cannot be found; a handed-over socket needs none.
    EXPECT_NE(Find({{"WAYLAND_DISPLAY", "wayland-3"}, {"QT_QPA_PLATFORM", "wayland"}})
                  .why.find("XDG_RUNTIME_DIR is not set"),
              std::string::npos);
    EXPECT_EQ(Find({{"WAYLAND_SOCKET", "5"}, {"QT_QPA_PLATFORM", "wayland"}}).platforms, "wayland");
    // A platform without a server is kept as named.
    EXPECT_EQ(Find({{"QT_QPA_PLATFORM", "xcb;offscreen"}}).platforms, "offscreen");
}

}  // namespace
}  // namespace quorvex
