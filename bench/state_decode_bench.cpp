// Reading a state file that carries its cover inline: a ~6 MB widget_state.json whose
// "artworkBase64" holds a JPEG of noise. End to end (read, parse, Base64 decode) against
// simdjson's own parse of the same text and a plain Base64 decode of the cover text alone.
#include <benchmark/benchmark.h>
#include <simdjson.h>
#include <stdlib.h>
#include <turbojpeg.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/foundation/base64.hpp"
#include "platform/foundation/file.hpp"
#include "state/host_contract.hpp"
#include "state/state_json.hpp"
#include "state/widget_data_loader.hpp"

namespace {

namespace foundation = sonaris::platform::foundation;
namespace state = sonaris::state;

std::vector<std::uint8_t> noiseJpeg(int side) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(side) * side * 3);
    std::mt19937 random(42);
    for (auto& p : rgb)
        p = static_cast<unsigned char>(random());
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, rgb.data(), side, 0, side, TJPF_RGB, &out, &size, TJSAMP_420, 85, 0))
        throw std::runtime_error("could not encode the benchmark picture");
    std::vector<std::uint8_t> bytes(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

struct Fixture {
    std::filesystem::path home;
    std::filesystem::path stateFile;
    std::string text;   // the state file's content
    std::string cover;  // its Base64 text
    // The same state as writers that escape "/" put it (Foundation's JSONEncoder does by default).
    std::string escapedText;

    Fixture() {
        // Noise hardly compresses: size the picture so that its JPEG comes to about 4.5 MB, which
        // is 6 MB as Base64.
        int side = 1700;
        auto jpeg = noiseJpeg(side);
        for (int round = 0; round < 2; ++round) {
            side = static_cast<int>(side * std::sqrt(4.5e6 / static_cast<double>(jpeg.size())));
            jpeg = noiseJpeg(side);
        }
        cover = foundation::base64Encode(jpeg.data(), jpeg.size());
        state::WidgetSharedState shared = state::WidgetSharedState::default_();
        shared.title = "Benchmark";
        shared.hasArtwork = true;
        shared.artworkBase64 = cover;
        text = *state::encodeJson(shared);
        for (const char c : text) {
            if (c == '/')
                escapedText += '\\';
            escapedText += c;
        }

        std::string pattern = (std::filesystem::temp_directory_path() / "sonaris-bench-XXXXXX");
        home = mkdtemp(pattern.data());
        const auto folder = home / state::HostFiles::containerFolder();
        std::filesystem::create_directories(folder);
        stateFile = folder / state::HostFiles::stateFileName;
        std::ofstream(stateFile, std::ios::binary).write(text.data(), text.size());
    }
    ~Fixture() { std::filesystem::remove_all(home); }
};

const Fixture& fixture() {
    static const Fixture instance;
    return instance;
}

void EndToEnd(benchmark::State& bench) {
    const auto& f = fixture();
    for (auto _ : bench) {
        const auto bytes = foundation::readWholeFilePadded(f.stateFile, state::stateJsonPadding);
        const auto decoded = state::decodeWidgetSharedState(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
            bytes->capacity());
        auto picture = foundation::base64Decode(*decoded->artworkBase64);
        if (!picture)
            bench.SkipWithError("cover did not decode");
        benchmark::DoNotOptimize(picture);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.text.size()));
    bench.counters["fileMB"] = static_cast<double>(f.text.size()) / 1e6;
}

// The same through the loader, home folder lookup and all.
void LoaderEndToEnd(benchmark::State& bench) {
    const auto& f = fixture();
    setenv("HOME", f.home.c_str(), 1);
    for (auto _ : bench) {
        const auto loaded = state::WidgetDataLoader::loadState();
        if (!loaded.artworkBase64)
            bench.SkipWithError("state did not load");
        auto picture = foundation::base64Decode(*loaded.artworkBase64);
        benchmark::DoNotOptimize(picture);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.text.size()));
}

void DecodeOnly(benchmark::State& bench) {
    const auto& f = fixture();
    const simdjson::padded_string padded(f.text);
    for (auto _ : bench) {
        auto decoded =
            state::decodeWidgetSharedState(padded, padded.size() + simdjson::SIMDJSON_PADDING);
        benchmark::DoNotOptimize(decoded);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.text.size()));
}

void DecodeOnlyEscapedSlashes(benchmark::State& bench) {
    const auto& f = fixture();
    const simdjson::padded_string padded(f.escapedText);
    for (auto _ : bench) {
        auto decoded =
            state::decodeWidgetSharedState(padded, padded.size() + simdjson::SIMDJSON_PADDING);
        if (!decoded || decoded->artworkBase64 != f.cover)
            bench.SkipWithError("wrong cover");
        benchmark::DoNotOptimize(decoded);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.escapedText.size()));
}

// simdjson's DOM parse of the text in memory: full validation, strings unescaped.
void SimdjsonDomParse(benchmark::State& bench) {
    const auto& f = fixture();
    const simdjson::padded_string padded(f.text);
    simdjson::dom::parser parser;
    for (auto _ : bench) {
        simdjson::dom::element root;
        if (parser.parse(padded).get(root))
            bench.SkipWithError("parse failed");
        benchmark::DoNotOptimize(root);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.text.size()));
}

// simdjson On-Demand taking out the cover string alone, unescaped: the least a reader can do.
void SimdjsonOnDemandCover(benchmark::State& bench) {
    const auto& f = fixture();
    const simdjson::padded_string padded(f.text);
    simdjson::ondemand::parser parser;
    for (auto _ : bench) {
        auto document = parser.iterate(padded);
        std::string_view cover;
        if (document["artworkBase64"].get_string().get(cover))
            bench.SkipWithError("no cover");
        benchmark::DoNotOptimize(cover);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.text.size()));
}

void Base64DecodeOnly(benchmark::State& bench) {
    const auto& f = fixture();
    for (auto _ : bench) {
        auto picture = foundation::base64Decode(f.cover);
        benchmark::DoNotOptimize(picture);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.cover.size()));
}

void ReadOnly(benchmark::State& bench) {
    const auto& f = fixture();
    for (auto _ : bench) {
        auto bytes = foundation::readWholeFilePadded(f.stateFile, state::stateJsonPadding);
        benchmark::DoNotOptimize(bytes);
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * f.text.size()));
}

// Throughput from CPU time: the benchmark machine is shared, and wall time mostly measures the
// other tenants.
void configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
}

}  // namespace

BENCHMARK(EndToEnd)->Apply(configure);
BENCHMARK(LoaderEndToEnd)->Apply(configure);
BENCHMARK(ReadOnly)->Apply(configure);
BENCHMARK(DecodeOnly)->Apply(configure);
BENCHMARK(DecodeOnlyEscapedSlashes)->Apply(configure);
BENCHMARK(SimdjsonDomParse)->Apply(configure);
BENCHMARK(SimdjsonOnDemandCover)->Apply(configure);
BENCHMARK(Base64DecodeOnly)->Apply(configure);

BENCHMARK_MAIN();
