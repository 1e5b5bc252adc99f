// Cost of drawing a large cover: a 4000x4000 JPEG decoded at the 340x340 a large layout needs,
// against decoding it whole, and against reading its header alone.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/image/codec.hpp"
#include "platform/image/image.hpp"

namespace {

using sonaris::platform::image::Format;
using sonaris::platform::image::Image;
using sonaris::platform::image::PixelSize;

constexpr int kSide = 4000;
const char* const kPath = "/tmp/sonaris_bench_cover_4000.jpg";

// A photo-like picture: smooth gradients with some texture, 4:2:0 as cameras write it.
void writeBenchJpeg() {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(kSide) * kSide * 3);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            auto* p = rgb.data() + (static_cast<std::size_t>(y) * kSide + x) * 3;
            const int texture = ((x * 7919) ^ (y * 104729)) & 0x1F;
            p[0] = static_cast<unsigned char>((x * 255 / kSide + texture) & 0xFF);
            p[1] = static_cast<unsigned char>((y * 255 / kSide + texture) & 0xFF);
            p[2] = static_cast<unsigned char>(((x + y) * 255 / (2 * kSide)) & 0xFF);
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, rgb.data(), kSide, 0, kSide, TJPF_RGB, &out, &size, TJSAMP_420, 90,
                    0) != 0) {
        throw std::runtime_error("could not encode the benchmark picture");
    }
    std::ofstream(kPath, std::ios::binary).write(reinterpret_cast<const char*>(out), size);
    tjFree(out);
    tjDestroy(handle);
}

const std::vector<std::uint8_t>& benchJpeg() {
    static const std::vector<std::uint8_t> bytes = [] {
        if (!std::filesystem::exists(kPath)) {
            writeBenchJpeg();
        }
        std::ifstream file(kPath, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
    }();
    return bytes;
}

void headerOnly(benchmark::State& state) {
    const auto& bytes = benchJpeg();
    for (auto _ : state) {
        benchmark::DoNotOptimize(sonaris::platform::image::readHeader(bytes));
    }
}

void decodeAt(benchmark::State& state, PixelSize size) {
    const auto& bytes = benchJpeg();
    for (auto _ : state) {
        auto bitmap = sonaris::platform::image::decode(Format::Jpeg, bytes, size);
        if (!bitmap) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(bitmap->pixels.data());
    }
}

void scaledTo340(benchmark::State& state) {
    decodeAt(state, {340, 340});
}
// The peer: the same picture decoded whole by the library, as the widget's own decodes no longer
// go beyond their pixel limit.
void fullSize(benchmark::State& state) {
    const auto& bytes = benchJpeg();
    tjhandle handle = tjInitDecompress();
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kSide) * kSide * 4);
    for (auto _ : state) {
        if (tjDecompress2(handle, bytes.data(), bytes.size(), pixels.data(), kSide, 0, kSide,
                          TJPF_BGRA, 0) != 0) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(handle);
}

// A draw served by the decode kept from an earlier one.
void cachedDraw(benchmark::State& state) {
    const auto image = Image::fromBytes(benchJpeg());
    image->decoded({340, 340});
    for (auto _ : state) {
        benchmark::DoNotOptimize(image->decoded({340, 340}));
    }
}

BENCHMARK(headerOnly)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(scaledTo340)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(fullSize)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(cachedDraw)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
