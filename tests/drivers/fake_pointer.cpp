// Moves and presses KWin's pointer through its fake input protocol, which KWin offers to any
// client when started with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1. Each argument is one step:
// `X,Y` moves to that point of the screen (the first at once, the others by the difference, as
// a mouse moves), `down` and `up` press and release the left button.
// One gesture runs in one process, so that a drag is never cut by a device going away.
#include <linux/input-event-codes.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <string>

#include "fake-input-client-protocol.h"

namespace {

void announced(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        *static_cast<org_kde_kwin_fake_input**>(data) = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void removed(void*, wl_registry*, uint32_t) {}

}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "fake-pointer: no compositor\n");
        return 1;
    }
    org_kde_kwin_fake_input* input = nullptr;
    static const wl_registry_listener listener{announced, removed};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &input);
    wl_display_roundtrip(display);
    if (!input) {
        std::fprintf(stderr, "fake-pointer: the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(input, "sonaris tests", "drives the pointer in tests");
    std::optional<std::pair<double, double>> at;
    for (int i = 1; i < argc; ++i) {
        std::string step = argv[i];
        double x = 0;
        double y = 0;
        if (step == "down" || step == "up")
            org_kde_kwin_fake_input_button(input, BTN_LEFT, step == "down" ? 1 : 0);
        else if (std::sscanf(argv[i], "%lf,%lf", &x, &y) == 2) {
            // The first step jumps there; the others move by the difference, as a mouse does.
            if (!at)
                org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_double(x),
                                                                wl_fixed_from_double(y));
            else
                org_kde_kwin_fake_input_pointer_motion(input, wl_fixed_from_double(x - at->first),
                                                       wl_fixed_from_double(y - at->second));
            at = {x, y};
        }
        else {
            std::fprintf(stderr, "fake-pointer: unknown step %s\n", argv[i]);
            return 2;
        }
        wl_display_roundtrip(display);
        // Time for the client under the pointer to see each step on its own.
        usleep(30000);
    }
    wl_display_disconnect(display);
    return 0;
}
