// Frames per second of the frame loop and mixer for 1 to 4 channels, 8-bit
// and 16-bit, unity and other gain. The channels have a negative wave type,
// so no generator runs and what is measured is the loop and the mixing.
#include <benchmark/benchmark.h>

#include <optional>
#include <vector>

#include "bench/benchtune.h"
#include "renderer/wavelark.h"

namespace {

constexpr int blockframes = 11025;

void mixer(benchmark::State& state) {
    const int channels = static_cast<int>(state.range(0));
    const bool sixteen = state.range(1) != 0;
    const float gain = state.range(2) != 0 ? 1.0f : 0.75f;
    std::string index = std::to_string(channels);
    std::vector<std::string> files;
    for (int c = 0; c < channels; ++c) {
        index += " -1";
        // One note far longer than the benchmark runs.
        files.push_back("p.3 l44100 c100000");
    }
    benchtune tune(index, files);
    std::optional<wavelark> renderer;
    renderer.emplace(tune.path().c_str(), false);
    std::vector<std::uint8_t> block8(2 * blockframes);
    std::vector<std::int16_t> block16(2 * blockframes);
    for (auto _ : state) {
        // The note lasts about 43 minutes; a renderer that has reached the
        // end would only store silence, so it starts over.
        if (renderer->done()) {
            state.PauseTiming();
            renderer.emplace(tune.path().c_str(), false);
            state.ResumeTiming();
        }
        if (sixteen)
            renderer->parse16(block16.data(), 2 * blockframes, gain);
        else
            renderer->parse8(block8.data(), 2 * blockframes, gain);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * blockframes);
}

}  // namespace

// Arguments: channels, 16-bit, unity gain.
BENCHMARK(mixer)
    ->ArgNames({"channels", "sixteen", "unity"})
    ->ArgsProduct({{1, 2, 3, 4}, {0, 1}, {1, 0}});
