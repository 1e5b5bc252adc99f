#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/foundation/file_descriptor.hpp"

namespace sonaris::platform::desktop {

// The claim of one live widget on its name for the current user: an abstract unix socket
// named after the user and the widget's name (with whatever else scopes it: `name` may be any
// bytes), held for the process's life. The kernel drops it when
// the process ends, however it ends, so no claim outlives its widget.
class SingleInstance {
  public:
    // Another widget of the same name runs; its process when it could be asked.
    struct Taken {
        std::optional<pid_t> pid;
    };

    // The claim, the widget that holds it already, or a one-line reason the socket could not
    // be made (the caller then runs unguarded).
    static std::variant<SingleInstance, Taken, std::string> claim(std::string_view name);

    // Readable when a later `run` of the same name has knocked; answer() lets it in and out.
    int fd() const { return socket_.get(); }
    void answer() const;

  private:
    explicit SingleInstance(foundation::FileDescriptor socket) : socket_(std::move(socket)) {}
    foundation::FileDescriptor socket_;
};

}  // namespace sonaris::platform::desktop
