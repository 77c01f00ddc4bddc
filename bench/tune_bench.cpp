// Frames per second of whole tunes rendered through parse16.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "renderer/wavelark.h"

namespace {

constexpr int blockframes = 11025;

void wholetune(benchmark::State& state, const char* name) {
    const std::string dir = std::string(WAVELARK_BENCH_TUNES) + "/" + name;
    std::vector<std::int16_t> block(2 * blockframes);
    std::int64_t frames = 0;
    for (auto _ : state) {
        wavelark tune(dir.c_str(), false);
        while (!tune.done()) {
            tune.parse16(block.data(), 2 * blockframes, 1.0f);
            frames += blockframes;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(frames);
}

void sixty(benchmark::State& s) { wholetune(s, "sixty"); }
void sixtysine(benchmark::State& s) { wholetune(s, "sixtysine"); }

}  // namespace

BENCHMARK(sixty)->Unit(benchmark::kMillisecond);
BENCHMARK(sixtysine)->Unit(benchmark::kMillisecond);
