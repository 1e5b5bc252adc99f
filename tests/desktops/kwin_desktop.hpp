#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "desktops/desktop.hpp"
#include "desktops/session_bus.hpp"
#include "desktops/xwayland.hpp"
#include "platform/runtime/scratch_folder.hpp"

namespace sdbus {
class IConnection;
}

namespace sonaris::testing {

// A headless KWin (`kwin_wayland --virtual`) with XWayland. Windows are found through KWin's
// scripting interface, screenshots taken through its ScreenShot2 interface, and the pointer
// driven through its fake input protocol; all three are opened to any client by the
// environment variables KWin reads for its own tests.
class KWinDesktop final : public Desktop {
  public:
    static std::variant<std::unique_ptr<Desktop>, std::string> start(int width, int height);
    ~KWinDesktop() override;

    Environment clientEnvironment(Environment base) const override;
    std::optional<Box> widgetBox() override;
    std::string activeTitle() override;
    std::optional<bool> widgetSkipsTaskbar() override;
    std::optional<bool> aboveWidget(const std::string& title) override;
    bool pointer(const std::vector<std::string>& steps) override;
    std::optional<Picture> screenshot() override;
    std::string log() override { return kwin_ ? kwin_->errorOutput() : ""; }

  private:
    struct Window {
        std::string caption;
        std::string resourceClass;
        int layer = 0;
        Box box;
        bool active = false;
        bool skipsTaskbar = false;
    };

    KWinDesktop() = default;
    // Every window KWin manages, layer surfaces included, as a script run inside KWin sees them.
    std::optional<std::vector<Window>> windows();
    std::optional<Window> widget(const std::vector<Window>& windows) const;
    // The widget among the windows KWin reports now.
    std::optional<Window> widgetWindow();

    ScratchFolder folder_;
    std::optional<SessionBus> bus_;
    std::optional<BackgroundProcess> kwin_;
    XwaylandServer x_;
    std::unique_ptr<sdbus::IConnection> connection_;
    int scripts_ = 0;
};

}  // namespace sonaris::testing
