// Frames per second of each generator alone, plain and with each modulation.
#include <benchmark/benchmark.h>

#include "generators/modulation.h"

namespace {

using notespec = wavelark::notespec;
using generator = std::uint8_t (*)(notespec&);

enum modulation { plain, envelope, tremolo, sweep, vibrato };

notespec note(modulation m) {
    notespec n{.sample = 0,
               .period = 100,
               .envrun = 1,
               .sweeprun = 1,
               .phase = 0,
               .cycle = 100,
               .inflection = 0.5f,
               .sweeprise = 0,
               .envrise = 0,
               .volume = 128,
               .level = 128,
               .tremolo = false,
               .vibrato = false,
               .noisebit = 1};
    switch (m) {
    case plain: break;
    case envelope: n.envrise = -1, n.envrun = 2000; break;
    case tremolo: n.envrise = 40, n.envrun = 3000, n.tremolo = true; break;
    case sweep: n.sweeprise = 5, n.sweeprun = 441; break;
    case vibrato: n.sweeprise = 3, n.sweeprun = 2000, n.vibrato = true; break;
    }
    return n;
}

void run(benchmark::State& state, generator g) {
    notespec n = note(static_cast<modulation>(state.range(0)));
    std::uint32_t sum = 0;
    for (auto _ : state) {
        // A note of a second, as a tune would play it.
        n.sample = 0;
        for (int frame = 0; frame < 44100; ++frame) {
            sum += g(n);
            n.sample += 1;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * 44100);
}

void modulations(benchmark::internal::Benchmark* b) {
    b->ArgName("modulation");
    for (int m = plain; m <= vibrato; ++m) b->Arg(m);
}

void square(benchmark::State& s) { run(s, wavelark::square); }
void tri(benchmark::State& s) { run(s, wavelark::tri); }
void noise(benchmark::State& s) { run(s, wavelark::noise); }
void sine(benchmark::State& s) { run(s, wavelark::sine); }
void ptri(benchmark::State& s) { run(s, wavelark::ptri); }

}  // namespace

// Argument: 0 plain, 1 envelope, 2 tremolo, 3 sweep, 4 vibrato.
BENCHMARK(square)->Apply(modulations);
BENCHMARK(tri)->Apply(modulations);
BENCHMARK(noise)->Apply(modulations);
BENCHMARK(sine)->Apply(modulations);
BENCHMARK(ptri)->Apply(modulations);
