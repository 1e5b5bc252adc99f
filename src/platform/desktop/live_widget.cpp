#include <cstdlib>
#include <memory>
#include <string>

#include "platform/desktop/live_loop.hpp"
#include "platform/desktop/live_widget.hpp"
#include "platform/desktop/live_widget_session.hpp"
#include "platform/desktop/wayland/wayland_window.hpp"
#include "platform/desktop/widget_settings.hpp"
#include "platform/desktop/x11/x11_window.hpp"

namespace sonaris::platform::desktop {

using namespace runtime;

namespace {

bool isSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

bool hasDisplay() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

// Shows the widget in `window` until it is told to end.
int runIn(DesktopWindow& window, LiveLoop& loop, const WidgetConfiguration& configuration,
          const LiveWidgetRequest& request, Streams streams) {
    LiveWidgetSession session(configuration, request, streams, loop, window);
    return session.run();
}

}  // namespace

int runLiveWidget(const WidgetConfiguration& configuration, const LiveWidgetOptions& options,
                  Streams streams) {
    auto chosen = chooseLiveWidget(options, widgetSettingsPath());
    if (auto* error = std::get_if<UsageError>(&chosen)) {
        reportError(streams.err, error->message);
        return exitUsage;
    }
    const auto& [request, backend] = std::get<LiveWidgetChoice>(chosen);
    auto notify = [&](const std::string& line) { reportError(streams.err, line); };
    WindowOptions windowOptions{
        configuration.displayName.empty() ? configuration.kind : configuration.displayName,
        request.points, request.scale, request.placement, notify};
    if (!hasDisplay()) {
        reportError(streams.err,
                    "no display to show the widget on (neither DISPLAY nor WAYLAND_DISPLAY is "
                    "set); `sonaris-widget render` draws it into PNG files instead");
        return exitUsage;
    }

    if (backend == Backend::x11 && !isSet("DISPLAY")) {
        reportError(streams.err,
                    "--backend x11: no X11 display to show the widget on (DISPLAY "
                    "is not set)");
        return exitUsage;
    }
    bool tryWayland =
        backend == Backend::wayland || (backend == Backend::automatic && isSet("WAYLAND_DISPLAY"));
    // Signals are blocked before anything else runs, and read by the loop alone.
    auto loop = LiveLoop::create();
    if (!loop) {
        reportError(streams.err, "cannot set up the widget's timers");
        return exitOutputFailed;
    }
    if (tryWayland) {
        if (auto window = wayland::WaylandWindow::open(windowOptions))
            return runIn(*window, *loop, configuration, request, streams);
        if (backend == Backend::wayland) {
            // Forced, so a window elsewhere would not be what was asked for.
            reportError(streams.err,
                        "--backend wayland: no Wayland compositor with a layer shell to show the "
                        "widget on (WAYLAND_DISPLAY " +
                            std::string(isSet("WAYLAND_DISPLAY") ? "names none that offers one"
                                                                 : "is not set") +
                            ")");
            return exitUsage;
        }
        std::string where =
            "no layer shell on the Wayland display " + std::string(std::getenv("WAYLAND_DISPLAY"));
        reportError(streams.err, isSet("DISPLAY")
                                     ? where + "; using X11 through XWayland"
                                     : where +
                                           " and no XWayland (DISPLAY); showing a plain "
                                           "window, placed by the compositor");
    }
    auto opened = x11::X11Window::open(windowOptions);
    if (auto* reason = std::get_if<std::string>(&opened)) {
        reportError(streams.err, *reason +
                                     "; `sonaris-widget render` draws the widget into PNG "
                                     "files instead");
        return exitUsage;
    }
    return runIn(*std::get<std::unique_ptr<x11::X11Window>>(opened), *loop, configuration, request,
                 streams);
}

}  // namespace sonaris::platform::desktop
