#include <cstdlib>
#include <optional>

#include "platform/desktop/live_events.hpp"
#include "platform/desktop/live_widget.hpp"
#include "platform/desktop/url_opener.hpp"
#include "platform/desktop/wayland_widget.hpp"
#include "platform/desktop/widget_settings.hpp"
#include "platform/desktop/x11/live_window.hpp"
#include "platform/foundation/home_directory.hpp"
#include "platform/render/desktop_card.hpp"
#include "platform/render/painter.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/family_names.hpp"
#include "platform/runtime/host_folders.hpp"
#include "platform/ui/hit_test.hpp"

namespace sonaris::platform::desktop {

using namespace runtime;
using x11::LiveWindow;
using x11::SdlLibrary;

namespace {

using namespace std::chrono_literals;

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

bool isSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

int runX11Widget(const WidgetConfiguration& configuration, const LiveWidgetRequest& request,
                 Streams streams) {
    auto family = request.family;
    auto points = request.points;

    BlockedSignals signals;
    auto opened = LiveWindow::open(
        {configuration.displayName.empty() ? configuration.kind : configuration.displayName, points,
         request.scale, request.placement,
         [&](const std::string& line) { reportError(streams.err, line); }});
    if (auto* reason = std::get_if<std::string>(&opened)) {
        reportError(streams.err, *reason +
                                     "; `sonaris-widget render` draws the widget into PNG "
                                     "files instead");
        return exitUsage;
    }
    auto& window = *std::get<std::unique_ptr<LiveWindow>>(opened);

    const SdlLibrary& sdl = window.sdl();
    Uint32 liveEventType = sdl.registerEvents(1);
    UrlOpener opener([&](const std::string& line) { reportError(streams.err, line); });
    auto source = LiveEventSource::start(
        signals, hostFoldersOf(configuration),
        [liveEventType, pushEvent = sdl.pushEvent](LiveEvent event) {
            SDL_Event sdlEvent{};
            sdlEvent.type = liveEventType;
            sdlEvent.user.code = static_cast<Sint32>(event);
            pushEvent(&sdlEvent);
        },
        50ms);
    if (!source) {
        reportError(streams.err, "cannot set up the widget's timers");
        return exitOutputFailed;
    }
    if (!source->watchesHostFolders())
        reportError(streams.err,
                    "cannot watch the host's folders; changes show at the next reload date");

    std::optional<ui::LayoutResult> laidOut;
    auto refresh = [&] {
        auto now = foundation::Date::now();
        auto current = requestTimeline(configuration, contextFor(family, points), now);
        double scale = window.pixelScale();
        laidOut = layOut(current.entry, family, points, scale);
        window.show(render::paint(*laidOut, scale));
        source->scheduleReload(liveReloadDate(current, now));
    };
    refresh();

    std::optional<foundation::URL> pressed;
    SDL_Event event;
    while (sdl.waitEvent(&event)) {
        if (event.type == SDL_QUIT)
            break;
        if (event.type == liveEventType) {
            switch (static_cast<LiveEvent>(event.user.code)) {
                case LiveEvent::hostFilesChanged:
                case LiveEvent::reloadDue:
                    refresh();
                    break;
                case LiveEvent::childExited:
                    opener.reap();
                    break;
                case LiveEvent::quitRequested:
                    return exitSuccess;
            }
            continue;
        }
        if (window.isDisplayChange(event)) {
            window.place();
            continue;
        }
        switch (event.type) {
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                    return exitSuccess;
                if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                    event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                    window.present();
                break;
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_ESCAPE)
                    return exitSuccess;
                break;
            case SDL_MOUSEBUTTONDOWN:
                // Beside the card is the desktop's, even where no shape keeps clicks away.
                if (event.button.button == SDL_BUTTON_LEFT && laidOut) {
                    auto point = window.toPoints(event.button.x, event.button.y);
                    if (render::desktopCardContains(points, point))
                        pressed = ui::hitTest(*laidOut, point);
                }
                break;
            case SDL_MOUSEBUTTONUP:
                // A tap opens what was pressed only if it is released over the same target.
                if (event.button.button == SDL_BUTTON_LEFT && pressed && laidOut &&
                    ui::hitTest(*laidOut, window.toPoints(event.button.x, event.button.y)) ==
                        pressed)
                    opener.open(*pressed);
                pressed.reset();
                break;
            default:
                break;
        }
    }
    return exitSuccess;
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
    if (!hasDisplay()) {
        reportError(streams.err,
                    "no display to show the widget on (neither DISPLAY nor WAYLAND_DISPLAY is "
                    "set); `sonaris-widget render` draws it into PNG files instead");
        return exitUsage;
    }

    if (backend == Backend::x11 && !isSet("DISPLAY") && !isSet("SDL_VIDEODRIVER")) {
        reportError(streams.err,
                    "--backend x11: no X11 display to show the widget on (DISPLAY "
                    "is not set)");
        return exitUsage;
    }
    bool tryWayland =
        backend == Backend::wayland || (backend == Backend::automatic && isSet("WAYLAND_DISPLAY"));
    if (tryWayland) {
        if (auto status = runWaylandWidget(configuration, request, streams))
            return *status;
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
    return runX11Widget(configuration, request, streams);
}

}  // namespace sonaris::platform::desktop
