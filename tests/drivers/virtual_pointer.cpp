// Gives a headless compositor's seat a pointer device, so that `swaymsg seat - cursor ...` moves
// and clicks a pointer clients see: it makes a virtual pointer and keeps it until it is killed.
// `drag X Y DX DY WIDTH HEIGHT` instead drags with it and ends: sway sends no motion to the
// pressed surface for its own cursor commands, so a drag has to come from a device.
#include <wayland-client.h>

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void announced(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void removed(void*, wl_registry*, uint32_t) {}

}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual-pointer: no compositor\n");
        return 1;
    }
    Globals globals;
    static const wl_registry_listener listener{announced, removed};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager) {
        std::fprintf(stderr, "virtual-pointer: the compositor has no virtual pointers\n");
        return 1;
    }
    auto* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, globals.seat);
    wl_display_roundtrip(display);
    if (argc == 8 && std::strcmp(argv[1], "drag") == 0) {
        int at[6];
        for (int i = 0; i < 6; ++i)
            at[i] = std::atoi(argv[i + 2]);
        uint32_t time = 0;
        auto send = [&](auto request) {
            request();
            zwlr_virtual_pointer_v1_frame(pointer);
            wl_display_roundtrip(display);
            usleep(30000);
            time += 30;
        };
        send([&] {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, time, at[0], at[1], at[4], at[5]);
        });
        send([&] {
            zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT,
                                           WL_POINTER_BUTTON_STATE_PRESSED);
        });
        constexpr int steps = 20;
        for (int step = 0; step < steps; ++step)
            send([&] {
                zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_int(at[2] / steps),
                                               wl_fixed_from_int(at[3] / steps));
            });
        send([&] {
            zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT,
                                           WL_POINTER_BUTTON_STATE_RELEASED);
        });
        return 0;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
