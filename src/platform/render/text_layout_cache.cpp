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
    ui::PangoLayoutPtr layout;
};

// Enough for every text of the three families at once.
constexpr std::size_t capacity = 96;

}  // namespace

PangoLayout* cachedTextLayout(const ui::VisibleText& visible, const ui::Font& font, double width,
                              std::optional<int> lineLimit) {
    const std::string& text = visible.text;
    // Most recently used at the back.
    thread_local std::vector<CachedLayout> cache;
    const auto hit = std::find_if(cache.rbegin(), cache.rend(), [&](const CachedLayout& c) {
        return c.width == width && c.lineLimit == lineLimit && c.font == font && c.text == text;
    });
    if (hit != cache.rend()) {
        std::rotate(hit.base() - 1, hit.base(), cache.end());
        return cache.back().layout.get();
    }
    ui::PangoLayoutPtr layout = ui::makeTextLayout(visible, font, width, lineLimit);
    if (!layout)
        return nullptr;
    if (cache.size() >= capacity)
        cache.erase(cache.begin());
    cache.push_back({text, font, width, lineLimit, std::move(layout)});
    return cache.back().layout.get();
}

}  // namespace sonaris::platform::render
