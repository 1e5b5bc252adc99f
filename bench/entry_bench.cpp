// A typical request end to end: a 2 KB state file and a 1000x1000 JPEG cover file in the home
// folder, through the provider to a timeline entry; the placeholder, which reads nothing, beside.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <turbojpeg.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#include "state/host_contract.hpp"
#include "state/state_json.hpp"
#include "timeline/sonaris_widget_provider.hpp"

namespace {

namespace state = sonaris::state;
using sonaris::timeline::SonarisEntry;
using sonaris::timeline::SonarisWidgetProvider;
using Timeline = sonaris::platform::runtime::Timeline<SonarisEntry>;

void writeCover(const std::filesystem::path& path) {
    constexpr int side = 1000;
    std::vector<unsigned char> rgb(side * side * 3);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            auto* p = rgb.data() + (y * side + x) * 3;
            p[0] = static_cast<unsigned char>(x / 4);
            p[1] = static_cast<unsigned char>(y / 4);
            p[2] = static_cast<unsigned char>((x ^ y) & 0xff);
        }
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, rgb.data(), side, 0, side, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0))
        throw std::runtime_error("could not encode the cover");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out), size);
    tjFree(out);
    tjDestroy(handle);
}

struct Home {
    std::filesystem::path path;
    std::size_t stateSize = 0;

    Home() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sonaris-bench-XXXXXX");
        path = mkdtemp(pattern.data());
        const auto folder = path / std::string(state::HostFiles::supportFolder);
        std::filesystem::create_directories(folder);

        auto shared = state::WidgetSharedState::default_();
        shared.isPlaying = true;
        shared.title = "Полёт над городом (Extended Mix)";
        shared.artist = "Tavrin Ensemble";
        shared.album = "Ночные дороги";
        shared.duration = 200;
        shared.currentTime = 50;
        shared.mediaKind = "audio";
        shared.hasArtwork = true;
        for (int i = 0; i < 14; ++i)
            shared.recentTracks.push_back(
                {"Трек номер " + std::to_string(i), "Исполнитель", "3:2" + std::to_string(i % 10),
                 "/home/user/Music/album/track-" + std::to_string(i) + ".flac"});
        const std::string json = *state::encodeJson(shared);
        stateSize = json.size();
        std::ofstream(folder / state::HostFiles::stateFileName, std::ios::binary)
            .write(json.data(), json.size());
        writeCover(folder / state::HostFiles::coverFileName);
        setenv("HOME", path.c_str(), 1);
    }
    ~Home() { std::filesystem::remove_all(path); }
};

const Home& home() {
    static const Home instance;
    return instance;
}

void TimelineEntry(benchmark::State& bench) {
    home();
    const SonarisWidgetProvider provider;
    for (auto _ : bench) {
        std::optional<Timeline> result;
        provider.getTimeline({}, [&](Timeline timeline) { result = std::move(timeline); });
        if (!result->entries.front().artwork)
            bench.SkipWithError("no cover");
        benchmark::DoNotOptimize(result);
    }
    bench.counters["stateBytes"] = static_cast<double>(home().stateSize);
}

void SnapshotEntryJson(benchmark::State& bench) {
    home();
    const SonarisWidgetProvider provider;
    for (auto _ : bench) {
        std::string json;
        provider.getSnapshot({}, [&](SonarisEntry entry) { json = entryJsonMembers(entry); });
        benchmark::DoNotOptimize(json);
    }
}

void PlaceholderEntry(benchmark::State& bench) {
    const SonarisWidgetProvider provider;
    for (auto _ : bench) {
        auto entry = provider.placeholder({});
        benchmark::DoNotOptimize(entry);
    }
}

// CPU time: the benchmark machine is shared, and wall time mostly measures the other tenants.
void configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
}

}  // namespace

BENCHMARK(TimelineEntry)->Apply(configure);
BENCHMARK(SnapshotEntryJson)->Apply(configure);
BENCHMARK(PlaceholderEntry)->Apply(configure);

BENCHMARK_MAIN();
