#include "platform/desktop/x11/monitors.hpp"

#include <algorithm>

namespace sonaris::platform::desktop::x11 {

std::vector<X11Monitor> listMonitors(const XlibLibrary& xlib, const XrandrLibrary* xrandr,
                                     Display* display) {
    std::vector<X11Monitor> monitors;
    Window root = DefaultRootWindow(display);
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    // Monitors came with RandR 1.5; asked of an older server they are an X error, which ends
    // the program.
    if (xrandr && xrandr->queryExtension(display, &eventBase, &errorBase) &&
        xrandr->queryVersion(display, &major, &minor) && (major > 1 || minor >= 5)) {
        int count = 0;
        XRRMonitorInfo* found = xrandr->getMonitors(display, root, True, &count);
        XRRScreenResources* resources = xrandr->getScreenResourcesCurrent(display, root);
        for (int i = 0; found && i < count; ++i) {
            const XRRMonitorInfo& info = found[i];
            X11Monitor monitor;
            if (char* name = info.name != None ? xlib.getAtomName(display, info.name) : nullptr) {
                monitor.name = name;
                xlib.free(name);
            }
            monitor.area = {double(info.x), double(info.y), double(info.width),
                            double(info.height)};
            monitor.primary = info.primary;
            for (int k = 0; resources && k < info.noutput; ++k) {
                if (XRROutputInfo* output =
                        xrandr->getOutputInfo(display, resources, info.outputs[k])) {
                    monitor.outputs.emplace_back(output->name, output->nameLen);
                    xrandr->freeOutputInfo(output);
                }
            }
            if (info.width > 0 && info.height > 0)
                monitors.push_back(std::move(monitor));
        }
        if (found)
            xrandr->freeMonitors(found);
        if (resources)
            xrandr->freeScreenResources(resources);
    }
    if (monitors.empty()) {
        Screen* screen = DefaultScreenOfDisplay(display);
        monitors.push_back(
            {"", {}, {0, 0, double(WidthOfScreen(screen)), double(HeightOfScreen(screen))}, true});
    }
    return monitors;
}

std::optional<MonitorChoice> chooseMonitor(const std::vector<X11Monitor>& monitors,
                                           const std::optional<std::string>& output) {
    if (monitors.empty())
        return std::nullopt;
    if (output) {
        for (const auto& monitor : monitors)
            if (monitor.name == *output)
                return MonitorChoice{monitor, true};
        for (const auto& monitor : monitors)
            if (std::find(monitor.outputs.begin(), monitor.outputs.end(), *output) !=
                monitor.outputs.end())
                return MonitorChoice{monitor, true};
    }
    for (const auto& monitor : monitors)
        if (monitor.primary)
            return MonitorChoice{monitor, false};
    return MonitorChoice{monitors.front(), false};
}

std::string monitorNames(const std::vector<X11Monitor>& monitors) {
    std::string names;
    for (const auto& monitor : monitors) {
        if (monitor.name.empty())
            continue;
        if (!names.empty())
            names += ", ";
        names += monitor.name;
    }
    return names.empty() ? "none" : names;
}

}  // namespace sonaris::platform::desktop::x11
