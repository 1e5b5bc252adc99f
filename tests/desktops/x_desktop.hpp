#pragma once

#include <optional>
#include <string>
#include <variant>

#include "cli/virtual_display.hpp"
#include "desktops/desktop.hpp"
#include "desktops/session_bus.hpp"
#include "desktops/x_tools.hpp"
#include "platform/runtime/scratch_folder.hpp"

namespace sonaris::testing {

// An X server (Xvfb) managed by a window manager: openbox, or Mutter in its X11 mode.
class XDesktop final : public Desktop {
  public:
    static std::variant<std::unique_ptr<Desktop>, std::string> start(DesktopKind kind, int width,
                                                                     int height);
    ~XDesktop() override;

    Environment clientEnvironment(Environment base) const override;
    std::optional<Box> widgetBox() override { return tools().widgetBox(); }
    std::string activeTitle() override { return tools().activeTitle(); }
    std::optional<bool> widgetSkipsTaskbar() override { return tools().widgetSkipsTaskbar(); }
    std::optional<bool> aboveWidget(const std::string& title) override {
        return tools().aboveWidget(title);
    }
    bool pointer(const std::vector<std::string>& steps) override { return tools().pointer(steps); }
    std::optional<Picture> screenshot() override;
    std::optional<Picture> widgetPicture() override { return tools().widgetPicture(); }
    std::string log() override { return manager_ ? manager_->errorOutput() : ""; }

  private:
    XDesktop() = default;
    // Whether the manager shows a window of a program started now, within a while.
    bool showsAWindow(const Environment& environment);
    XTools tools() const { return XTools(clientEnvironment({{"PATH", "/usr/bin:/bin"}})); }

    ScratchFolder folder_;
    std::optional<VirtualDisplay> display_;
    std::optional<SessionBus> bus_;
    std::optional<BackgroundProcess> manager_;
};

}  // namespace sonaris::testing
