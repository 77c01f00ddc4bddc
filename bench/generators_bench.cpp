// Frames per second of each generator alone, plain and with each modulation.
#include <benchmark/benchmark.h>
#include <algorithm>

#include <array>

#include "generators/phasecache.h"
#include "renderer/wavelark.h"

namespace {

using notespec = wavelark::notespec;
constexpr frames span = 8192;

enum modulation { plain, envelope, tremolo, sweep, vibrato };

notespec note(modulation m) {
    notespec n = wavelark::freshnote;
    switch (m) {
    case plain: break;
    case envelope: n.envrise = -1, n.envrun = 2000; break;
    case tremolo: n.envrise = 40, n.envrun = 3000, n.tremolo = true; break;
    case sweep: n.sweeprise = 5, n.sweeprun = 441; break;
    case vibrato: n.sweeprise = 3, n.sweeprun = 2000, n.vibrato = true; break;
    }
    return n;
}

// Renders a second of one note in spans, as the mixer does.
template <class generate>
void run(benchmark::State& state, generate g) {
    notespec n = note(static_cast<modulation>(state.range(0)));
    steps::phasecache cache;
    std::array<std::uint8_t, span> samples{};
    std::array<std::uint8_t, span> levels{};
    for (auto _ : state) {
        n.sample = 0;
        for (frames done = 0; done < 44100; done += span) {
            const frames count = std::min<frames>(span, 44100 - done);
            g(n, cache, samples.data(), levels.data(), count);
        }
        benchmark::DoNotOptimize(samples);
    }
    state.SetItemsProcessed(state.iterations() * 44100);
}

void modulations(benchmark::internal::Benchmark* b) {
    b->ArgName("modulation");
    for (int m = plain; m <= vibrato; ++m) b->Arg(m);
}

void square(benchmark::State& s) {
    run(s, [](notespec& n, steps::phasecache&, std::uint8_t* out, std::uint8_t* lv, frames c) {
        wavelark::square(n, out, lv, c);
    });
}
void noise(benchmark::State& s) {
    run(s, [](notespec& n, steps::phasecache&, std::uint8_t* out, std::uint8_t* lv, frames c) {
        wavelark::noise(n, out, lv, c);
    });
}
void tri(benchmark::State& s) {
    run(s, [](notespec& n, steps::phasecache& cache, std::uint8_t* out, std::uint8_t* lv,
              frames c) { wavelark::tri(n, &cache, out, lv, c); });
}
void sine(benchmark::State& s) {
    run(s, [](notespec& n, steps::phasecache& cache, std::uint8_t* out, std::uint8_t* lv,
              frames c) { wavelark::sine(n, &cache, out, lv, c); });
}
void ptri(benchmark::State& s) {
    run(s, [](notespec& n, steps::phasecache& cache, std::uint8_t* out, std::uint8_t* lv,
              frames c) { wavelark::ptri(n, &cache, out, lv, c); });
}

}  // namespace

// Argument: 0 plain, 1 envelope, 2 tremolo, 3 sweep, 4 vibrato.
BENCHMARK(square)->Apply(modulations);
BENCHMARK(tri)->Apply(modulations);
BENCHMARK(noise)->Apply(modulations);
BENCHMARK(sine)->Apply(modulations);
BENCHMARK(ptri)->Apply(modulations);
