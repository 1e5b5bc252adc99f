#include "platform/render/text_layout_cache.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace sonaris::platform::render {

namespace {

struct CachedLayout {
    std::string text;
    ui::Font font;
    double width = 0;
    std::optional<int> lineLimit;
    ui::Size area;
    ui::PangoLayoutPtr layout;
};

// Enough for every text of the three families at once.
constexpr std::size_t capacity = 96;

}  // namespace

PangoLayout* cachedTextLayout(std::string_view text, const ui::Font& font, double width,
                              std::optional<int> lineLimit, ui::Size area) {
    // Most recently used at the back.
    thread_local std::vector<CachedLayout> cache;
    const auto hit = std::find_if(cache.rbegin(), cache.rend(), [&](const CachedLayout& c) {
        return c.width == width && c.lineLimit == lineLimit && c.area == area && c.font == font &&
               c.text == text;
    });
    if (hit != cache.rend()) {
        std::rotate(hit.base() - 1, hit.base(), cache.end());
        return cache.back().layout.get();
    }
    ui::PangoLayoutPtr layout = ui::makeTextLayout(text, font, width, lineLimit, area);
    if (!layout)
        return nullptr;
    if (cache.size() >= capacity)
        cache.erase(cache.begin());
    cache.push_back({std::string(text), font, width, lineLimit, area, std::move(layout)});
    return cache.back().layout.get();
}

}  // namespace sonaris::platform::render
