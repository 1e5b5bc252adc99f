#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "host/links/links_test_support.hpp"
#include "host/links/notification.hpp"
#include "host/links/tool_launcher.hpp"

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
        const std::string command = "exec dbus-run-session -- /usr/bin/python3 '" +
                                    (folder / "server.py").string() + "' '" + folder.string() + "'";
        stdin_.reset(::popen(command.c_str(), "w"));
    }

    std::optional<std::string> address() const {
        if (!stdin_ || !eventually([&] { return std::filesystem::exists(folder_ / "address"); }))
            return std::nullopt;
        return readText(folder_ / "address");
    }
    std::string call(int number) const {
        const auto path = folder_ / ("notify" + std::to_string(number));
        return eventually([&] { return std::filesystem::exists(path); }) ? readText(path) : "";
    }

  private:
    // Closing its stdin ends the server and with it the bus; pclose waits for both.
    struct Close {
        void operator()(FILE* pipe) const { ::pclose(pipe); }
    };
    std::filesystem::path folder_;
    std::unique_ptr<FILE, Close> stdin_;
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
