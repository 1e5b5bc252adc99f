#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace sonaris::state {

// One row of the host's history list.
struct WidgetTrackInfo {
    std::string title;
    std::string artist;
    std::string durationText;
    std::string path;

    // Equal when all four fields are canonically equivalent Unicode texts.
    bool operator==(const WidgetTrackInfo& other) const;
};

}  // namespace sonaris::state

template <>
struct std::hash<sonaris::state::WidgetTrackInfo> {
    // Agrees with ==: canonically equivalent rows hash alike.
    std::size_t operator()(const sonaris::state::WidgetTrackInfo& row) const;
};
