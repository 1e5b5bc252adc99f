#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <sdbus-c++/sdbus-c++.h>

namespace sonaris::platform::desktop::accessibility::atspi {

// The session bus's accessibility launcher (org.a11y.Bus): where the accessibility bus is, and
// whether assistive technology is on (org.a11y.Status), followed as it changes.
class LauncherStatus {
  public:
    using Changed = std::function<void(bool enabled)>;

    // Unset, silently, where the session has no bus or no launcher.
    static std::unique_ptr<LauncherStatus> connect();

    void onChange(Changed changed) { changed_ = std::move(changed); }

    bool enabled() const { return enabled_; }
    // The accessibility bus's address; unset when the launcher cannot give one.
    std::optional<std::string> busAddress();

    sdbus::IConnection& connection() { return *session_; }

  private:
    explicit LauncherStatus(std::unique_ptr<sdbus::IConnection> session);
    void update(const std::map<std::string, sdbus::Variant>& properties);

    std::unique_ptr<sdbus::IConnection> session_;
    std::unique_ptr<sdbus::IProxy> launcher_;
    Changed changed_;
    bool isEnabled_ = false;
    bool screenReaderEnabled_ = false;
    bool enabled_ = false;
};

}  // namespace sonaris::platform::desktop::accessibility::atspi
