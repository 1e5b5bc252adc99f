// Laying out each family's real tree (the default state, a history of two rows), against the
// cost of measuring one line of text, which dominates it; and writing the laid-out tree as
// JSON for the command line.
#include <benchmark/benchmark.h>

#include "platform/ui/layout.hpp"
#include "platform/ui/text_layout.hpp"
#include "platform/ui/tree_json.hpp"
#include "state/widget_shared_state.hpp"
#include "views/large_widget_view.hpp"
#include "views/medium_widget_view.hpp"
#include "views/small_widget_view.hpp"

namespace {

namespace ui = sonaris::platform::ui;
using sonaris::timeline::SonarisEntry;

SonarisEntry entry() {
    SonarisEntry result;
    result.state = sonaris::state::WidgetSharedState::default_();
    result.state.isPlaying = true;
    result.state.duration = 200;
    result.state.currentTime = 50;
    return result;
}

template <class View>
void layOutFamily(benchmark::State& state, ui::Size size) {
    const View view{entry()};
    for (auto _ : state) {
        ui::LayoutResult result = ui::layout(view.body(), size);
        benchmark::DoNotOptimize(result.tree.frame);
    }
}

void BM_LayoutSmall(benchmark::State& state) {
    layOutFamily<sonaris::views::SmallWidgetView>(state, {170, 170});
}
void BM_LayoutMedium(benchmark::State& state) {
    layOutFamily<sonaris::views::MediumWidgetView>(state, {364, 170});
}
void BM_LayoutLarge(benchmark::State& state) {
    layOutFamily<sonaris::views::LargeWidgetView>(state, {364, 382});
}

// The peer: one title cut to one line, as every Text of a layout is measured at least once.
void BM_MeasureOneLine(benchmark::State& state) {
    const ui::Font font = ui::Font::system(13, ui::FontWeight::bold);
    for (auto _ : state) {
        ui::Size size = ui::measureText("Готов к воспроизведению", font, {200, 170}, 1);
        benchmark::DoNotOptimize(size);
    }
}

void BM_TreeJsonLarge(benchmark::State& state) {
    const ui::LayoutResult result =
        ui::layout(sonaris::views::LargeWidgetView{entry()}.body(), {364, 382});
    for (auto _ : state) {
        std::string json = ui::treeJson(result, "systemLarge");
        benchmark::DoNotOptimize(json.data());
    }
}

BENCHMARK(BM_LayoutSmall);
BENCHMARK(BM_LayoutMedium);
BENCHMARK(BM_LayoutLarge);
BENCHMARK(BM_MeasureOneLine);
BENCHMARK(BM_TreeJsonLarge);

}  // namespace

BENCHMARK_MAIN();
