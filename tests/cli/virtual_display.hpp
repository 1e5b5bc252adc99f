#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace sonaris::testing {

// A private X server (Xvfb) on a display number it picks itself, for tests that open windows.
class VirtualDisplay {
  public:
    // Nothing when Xvfb is missing or does not come up within a few seconds. `screen` is
    // WIDTHxHEIGHTxDEPTH.
    static std::optional<VirtualDisplay> start(const std::string& screen = "1280x1024x24");
    VirtualDisplay(VirtualDisplay&& other) noexcept;
    VirtualDisplay& operator=(VirtualDisplay&& other) noexcept;
    ~VirtualDisplay();

    const std::string& name() const { return name_; }

  private:
    VirtualDisplay(pid_t pid, std::string name) : pid_(pid), name_(std::move(name)) {}
    void stop();
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace sonaris::testing
