// Runs the real widget through the Wayland backend alone, for the tests under a headless sway:
//   sonaris-wayland-driver [--family F] [--scale S] [--anchor A] [--margin X,Y] [--output NAME]
// Exit 3 when the backend declines (no compositor or no layer shell).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "platform/runtime/family_names.hpp"
#include "platform/runtime/wayland/wayland_widget.hpp"
#include "widget/sonaris_widget.hpp"

using namespace sonaris::platform::runtime;

int main(int argc, char** argv) {
    LiveWidgetRequest request;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string_view option = argv[i];
        std::string value = argv[i + 1];
        if (option == "--family") {
            request.family = familyNamed(value).value_or(request.family);
        } else if (option == "--scale") {
            request.scale = std::stod(value);
        } else if (option == "--anchor") {
            request.placement.anchor = anchorNamed(value).value_or(Anchor::center);
        } else if (option == "--margin") {
            double x = 0;
            double y = 0;
            if (std::sscanf(value.c_str(), "%lf,%lf", &x, &y) == 2)
                request.placement.margin = {x, y};
        } else if (option == "--output") {
            request.placement.output = value;
        } else {
            std::cerr << "unknown option " << option << "\n";
            return 2;
        }
    }
    request.points = defaultSize(request.family);
    auto status = wayland::runWaylandWidget(sonaris::widget::SonarisWidget().body(), request,
                                            {std::cout, std::cerr});
    if (!status) {
        std::cerr << "no layer shell\n";
        return 3;
    }
    return *status;
}
