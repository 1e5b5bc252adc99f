// Painting each family's real tree at scale 2: the default state with no cover (what the
// placeholder shows), and a playing state with a 1000x1000 cover already decoded, as the
// runtime leaves it before painting. Layout is done once, outside the timed loop.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/render/painter.hpp"
#include "platform/ui/environment.hpp"
#include "platform/ui/layout.hpp"
#include "platform/ui/views.hpp"
#include "widget/sonaris_widget_entry_view.hpp"

namespace {

namespace ui = sonaris::platform::ui;
namespace render = sonaris::platform::render;
namespace image = sonaris::platform::image;
using sonaris::timeline::SonarisEntry;

constexpr double scale = 2;

ui::Size familySize(ui::WidgetFamily family) {
    switch (family) {
        case ui::WidgetFamily::systemMedium:
            return {364, 170};
        case ui::WidgetFamily::systemLarge:
            return {364, 382};
        default:
            return {170, 170};
    }
}

// A 1000x1000 cover with enough detail that scaling it is real work, as an encoded BMP.
image::Image makeCover() {
    constexpr int side = 1000;
    const int rowBytes = side * 3;
    std::vector<std::uint8_t> bytes(54 + static_cast<std::size_t>(rowBytes) * side);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, static_cast<std::uint32_t>(rowBytes * side));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            auto* p = bytes.data() + 54 + static_cast<std::size_t>(y) * rowBytes + x * 3;
            p[0] = static_cast<std::uint8_t>(x / 4);
            p[1] = static_cast<std::uint8_t>(y / 4);
            p[2] = static_cast<std::uint8_t>((x ^ y) & 0xff);
        }
    auto cover = image::Image::fromBytes(std::move(bytes));
    if (!cover)
        std::abort();
    return *cover;
}

SonarisEntry entry(bool withCover) {
    SonarisEntry e{sonaris::platform::foundation::Date::now(),
                   sonaris::state::WidgetSharedState::default_(), std::nullopt};
    if (withCover) {
        e.state.isPlaying = true;
        e.state.title = "Полёт над городом (Extended Mix)";
        e.state.artist = "Tavrin Ensemble";
        e.state.duration = 200;
        e.state.currentTime = 50;
        static const image::Image cover = makeCover();
        e.artwork = cover;
    }
    return e;
}

void paintFamily(benchmark::State& state, ui::WidgetFamily family, bool withCover) {
    ui::ScopedEnvironment environment(ui::EnvironmentValues{family});
    const ui::LayoutResult laidOut =
        ui::layout(sonaris::widget::SonarisWidgetEntryView(entry(withCover)).body(),
                   familySize(family), scale);
    std::vector<std::shared_ptr<const image::Bitmap>> decoded;
    for (const auto& demand : render::imageDemand(laidOut, scale))
        decoded.push_back(demand.image.decoded(demand.pixels));
    for (auto _ : state) {
        render::Raster raster = render::paint(laidOut, scale);
        benchmark::DoNotOptimize(raster.pixels.data());
    }
}

// The peer: a raster of the same size holding one full-bleed colour, the least a paint costs.
void paintFlatColour(benchmark::State& state, ui::WidgetFamily family) {
    const ui::ViewNode background = ui::ColorView(ui::Color::rgb(0.05, 0.05, 0.07));
    ui::LayoutResult laidOut;
    laidOut.size = familySize(family);
    laidOut.tree.node = &background;
    laidOut.tree.layerFrames = {{0, 0, laidOut.size.width, laidOut.size.height}};
    laidOut.tree.frame = laidOut.tree.layerFrames.front();
    for (auto _ : state) {
        render::Raster raster = render::paint(laidOut, scale);
        benchmark::DoNotOptimize(raster.pixels.data());
    }
}

void configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK_CAPTURE(paintFlatColour, small_flat, ui::WidgetFamily::systemSmall)->Apply(configure);
BENCHMARK_CAPTURE(paintFlatColour, large_flat, ui::WidgetFamily::systemLarge)->Apply(configure);
BENCHMARK_CAPTURE(paintFamily, small_default, ui::WidgetFamily::systemSmall, false)
    ->Apply(configure);
BENCHMARK_CAPTURE(paintFamily, medium_default, ui::WidgetFamily::systemMedium, false)
    ->Apply(configure);
BENCHMARK_CAPTURE(paintFamily, large_default, ui::WidgetFamily::systemLarge, false)
    ->Apply(configure);
BENCHMARK_CAPTURE(paintFamily, small_cover, ui::WidgetFamily::systemSmall, true)->Apply(configure);
BENCHMARK_CAPTURE(paintFamily, medium_cover, ui::WidgetFamily::systemMedium, true)
    ->Apply(configure);
BENCHMARK_CAPTURE(paintFamily, large_cover, ui::WidgetFamily::systemLarge, true)->Apply(configure);

}  // namespace

BENCHMARK_MAIN();
