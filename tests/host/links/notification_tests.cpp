#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "host/links/links_test_support.hpp"
#include "host/links/notification.hpp"
#include "host/links/tool_launcher.hpp"

extern char** environ;

namespace sonaris::host::links {
namespace {

using testing::eventually;
using testing::readText;
using testing::ScopedEnv;
using testing::ScratchFolder;
using testing::writeText;

// A notification server for one test: python3-dbus on a private bus from dbus-run-session. It
// records each Notify call's app name, summary and body, and quits when its stdin closes, which
// also ends its bus.
constexpr std::string_view kStandIn = R"py(
import os, sys
import dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
folder = sys.argv[1]

def publish(name, text):
    with open(os.path.join(folder, name + ".tmp"), "w") as f:
        f.write(text)
    os.rename(os.path.join(folder, name + ".tmp"), os.path.join(folder, name))

class Server(dbus.service.Object):
    calls = 0

    @dbus.service.method("org.freedesktop.Notifications",
                         in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        Server.calls += 1
        publish("notify%d" % Server.calls, "\n".join([app, summary, body, str(timeout)]))
        return Server.calls

bus = dbus.SessionBus()
name = dbus.service.BusName("org.freedesktop.Notifications", bus)
Server(bus, "/org/freedesktop/Notifications")
loop = GLib.MainLoop()
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, lambda *a: loop.quit())
publish("address", os.environ["DBUS_SESSION_BUS_ADDRESS"])
loop.run()
)py";

class StandInServer {
  public:
    explicit StandInServer(const std::filesystem::path& folder) : folder_(folder) {
        writeText(folder / "server.py", kStandIn);
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
        const std::string script = (folder / "server.py").string();
        const std::string where = folder.string();
        const char* argv[] = {"dbus-run-session", "--",          "/usr/bin/python3",
                              script.c_str(),     where.c_str(), nullptr};
        if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) !=
            0) {
            pid_ = -1;
        }
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(ends[0]);
        stdin_ = ends[1];
    }
    ~StandInServer() {
        ::close(stdin_);
        if (pid_ > 0) {
            // Closing its stdin lets it end its bus cleanly; a kill is only for one that hangs.
            if (!eventually([&] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
    }
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    std::optional<std::string> address() const {
        if (pid_ <= 0 || !eventually([&] { return std::filesystem::exists(folder_ / "address"); }))
            return std::nullopt;
        return readText(folder_ / "address");
    }
    std::string call(int number) const {
        const auto path = folder_ / ("notify" + std::to_string(number));
        return eventually([&] { return std::filesystem::exists(path); }) ? readText(path) : "";
    }

  private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int stdin_ = -1;
};

TEST(NotificationTest, ReachesAServerAsSonarisAndTellsOfUnsetTools) {
    ScratchFolder folder;
    StandInServer server(folder.path());
    const auto address = server.address();
    ASSERT_TRUE(address.has_value());
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", *address);

    // A body quoting a file name in another encoding still arrives, its bad byte replaced.
    EXPECT_TRUE(notifyUser("Recording", "saved to caf\xe9.wav"));
    EXPECT_EQ(server.call(1), "Sonaris\nRecording\nsaved to caf\xef\xbf\xbd.wav\n-1");

    ScopedEnv config("XDG_CONFIG_HOME", folder.path().string());
    std::ostringstream err;
    EXPECT_EQ(runToolAction(HostAction::editor, HostConfig{}, err), 1);
    const auto told = server.call(2);
    EXPECT_EQ(told.rfind("Sonaris\nNo editor command is set\n", 0), 0u) << told;
    EXPECT_NE(told.find((folder.path() / "sonaris" / "host.toml").string()), std::string::npos);
}

TEST(NotificationTest, WithoutABusItReportsFailure) {
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/sonaris-test-bus");
    EXPECT_FALSE(notifyUser("Nobody", "listens"));
    ScopedEnv noAddress("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_FALSE(notifyUser("Nobody", "listens"));
}

}  // namespace
}  // namespace sonaris::host::links
