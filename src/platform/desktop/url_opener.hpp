#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>

#include "platform/foundation/url.hpp"

namespace sonaris::platform::desktop {

// Opens URLs through the desktop's URL handler (`xdg-open`), run directly, never through a
// shell. The handler runs on its own; reap() collects those that have ended without waiting for
// the others, and each failure is reported in one line.
class UrlOpener {
  public:
    using Report = std::function<void(const std::string& line)>;

    explicit UrlOpener(Report report, std::string handler = "xdg-open")
        : report_(std::move(report)), handler_(std::move(handler)) {}

    void open(const foundation::URL& url);

    // Collects every handler that has ended; call it when SIGCHLD arrives.
    void reap();

    std::size_t running() const { return running_.size(); }

  private:
    Report report_;
    std::string handler_;
    std::map<pid_t, std::string> running_;  // pid -> the URL it opens
};

}  // namespace sonaris::platform::desktop
