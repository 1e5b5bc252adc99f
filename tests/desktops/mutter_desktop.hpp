#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "desktops/desktop.hpp"
#include "desktops/session_bus.hpp"
#include "desktops/x_tools.hpp"
#include "desktops/xwayland.hpp"
#include "platform/runtime/scratch_folder.hpp"

namespace sdbus {
class IConnection;
class IProxy;
}  // namespace sdbus

namespace sonaris::testing {

// A headless Mutter (`mutter --headless --wayland`) on one virtual monitor. It has no layer
// shell, so the widget comes as an X11 window through the XWayland Mutter starts: windows are
// found on that X server, and the pointer is driven through Mutter's remote desktop interface.
// Xwayland draws no root window, so no screenshot of the whole screen is had.
class MutterDesktop final : public Desktop {
  public:
    // Without `xwayland`, Mutter offers Wayland clients alone.
    static std::variant<std::unique_ptr<Desktop>, std::string> start(int width, int height,
                                                                     bool xwayland);
    ~MutterDesktop() override;

    Environment clientEnvironment(Environment base) const override;
    std::optional<Box> widgetBox() override { return tools().widgetBox(); }
    std::string activeTitle() override { return tools().activeTitle(); }
    std::optional<bool> widgetSkipsTaskbar() override { return tools().widgetSkipsTaskbar(); }
    std::optional<bool> aboveWidget(const std::string& title) override {
        return tools().aboveWidget(title);
    }
    bool pointer(const std::vector<std::string>& steps) override;
    std::optional<Picture> screenshot() override { return std::nullopt; }
    std::optional<Picture> widgetPicture() override { return tools().widgetPicture(); }
    std::string log() override { return mutter_ ? mutter_->errorOutput() : ""; }

  private:
    MutterDesktop() = default;
    XTools tools() const { return XTools(clientEnvironment({{"PATH", "/usr/bin:/bin"}})); }
    bool moveBy(double dx, double dy);

    ScratchFolder folder_;
    std::optional<SessionBus> bus_;
    std::optional<BackgroundProcess> mutter_;
    XwaylandServer x_;
    std::unique_ptr<sdbus::IConnection> connection_;
    std::unique_ptr<sdbus::IProxy> remote_;
    // Where the pointer is: the remote desktop moves it by steps only, from the corner it was
    // pushed into at the start.
    int pointerX_ = 0;
    int pointerY_ = 0;
};

}  // namespace sonaris::testing
