#include <cstdlib>
#include <memory>
#include <string>

#include "platform/desktop/live_loop.hpp"
#include "platform/desktop/live_profile.hpp"
#include "platform/desktop/live_widget.hpp"
#include "platform/desktop/live_widget_session.hpp"
#include "platform/desktop/single_instance.hpp"
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

// Within one user, a widget's name counts per settings file (home) and per display: a session
// on another display, or a test in a home of its own, runs widgets of its own.
std::string instanceScope(const std::string& name) {
    std::string scope = name;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "WAYLAND_DISPLAY", "DISPLAY"}) {
        const char* value = std::getenv(variable);
        scope += '\0';
        scope += value ? value : "";
    }
    return scope;
}

// Shows the widget in `window` until it is told to end; `open` makes a window for another size.
int runIn(std::unique_ptr<DesktopWindow> window, LiveLoop& loop,
          const WidgetConfiguration& configuration, LiveProfile& profile, Streams streams,
          LiveWidgetSession::OpenWindow open) {
    LiveWidgetSession session(configuration, profile, streams, loop, std::move(window),
                              std::move(open));
    return session.run();
}

}  // namespace

int runLiveWidget(const WidgetConfiguration& configuration, const LiveWidgetOptions& options,
                  Streams streams) {
    auto settingsFile = widgetSettingsPath();
    auto chosen = chooseLiveWidget(options, settingsFile);
    if (auto* error = std::get_if<UsageError>(&chosen)) {
        reportError(streams.err, error->message);
        return exitUsage;
    }
    const auto& choice = std::get<LiveWidgetChoice>(chosen);
    auto backend = choice.backend;
    auto notify = [&](const std::string& line) { reportError(streams.err, line); };
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
    // One widget a name: the claim is held until the process ends.
    std::string name = options.name.value_or("default");
    auto claim = SingleInstance::claim(instanceScope(name));
    if (auto* taken = std::get_if<SingleInstance::Taken>(&claim)) {
        reportError(streams.err, "a widget named " + runtime::quoted(name) + " is already running" +
                                     (taken->pid ? " (process " + std::to_string(*taken->pid) + ")"
                                                 : std::string()) +
                                     "; this one leaves it be");
        return exitSuccess;
    }
    if (auto* reason = std::get_if<std::string>(&claim))
        reportError(streams.err, *reason + "; another widget of the same name is not kept out");
    std::optional<SingleInstance> instance;
    if (auto* held = std::get_if<SingleInstance>(&claim))
        instance.emplace(std::move(*held));
    LiveProfile profile(name, LiveSettings(options, settingsFile, choice), std::move(instance),
                        notify);
    // Where it was dropped with the pointer, while the settings still ask for what they did then.
    auto request = profile.request();
    auto windowOptionsFor = [&](const LiveWidgetRequest& wanted) {
        return WindowOptions{
            configuration.displayName.empty() ? configuration.kind : configuration.displayName,
            wanted.points, wanted.scale, wanted.placement, notify};
    };
    auto windowOptions = windowOptionsFor(request);

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
            return runIn(std::move(window), *loop, configuration, profile, streams,
                         [&](const LiveWidgetRequest& wanted) -> std::unique_ptr<DesktopWindow> {
                             return wayland::WaylandWindow::open(windowOptionsFor(wanted));
                         });
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
        if (!isSet("DISPLAY")) {
            // A plain Wayland window would be placed, stacked and focused as the compositor
            // likes, which is no desktop widget; and without an X server there is nothing else.
            reportError(streams.err, where +
                                         " and no X11 display (DISPLAY) to fall back on; "
                                         "`sonaris-widget render` draws the widget into PNG "
                                         "files instead");
            return exitUsage;
        }
        reportError(streams.err, where + "; using X11 through XWayland");
    }
    auto opened = x11::X11Window::open(windowOptions);
    if (auto* reason = std::get_if<std::string>(&opened)) {
        reportError(streams.err, *reason +
                                     "; `sonaris-widget render` draws the widget into PNG "
                                     "files instead");
        return exitUsage;
    }
    return runIn(std::move(std::get<std::unique_ptr<x11::X11Window>>(opened)), *loop, configuration,
                 profile, streams,
                 [&](const LiveWidgetRequest& wanted) -> std::unique_ptr<DesktopWindow> {
                     auto again = x11::X11Window::open(windowOptionsFor(wanted));
                     if (auto* window = std::get_if<std::unique_ptr<x11::X11Window>>(&again))
                         return std::move(*window);
                     return nullptr;
                 });
}

}  // namespace sonaris::platform::desktop
