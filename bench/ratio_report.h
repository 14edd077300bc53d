#pragma once
// The counters every benchmark reports: its own time and the reference's
// per iteration, and their ratio.

#include <benchmark/benchmark.h>

#include <chrono>

namespace zelkor::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// `ours` and `reference` are the seconds summed over the state's iterations.
inline void report(benchmark::State& state, double ours, double reference) {
    const double n = double(state.iterations());
    state.counters["ours_us"] = ours / n * 1e6;
    state.counters["reference_us"] = reference / n * 1e6;
    state.counters["ratio"] = reference > 0 ? ours / reference : 0;
}

}  // namespace zelkor::bench
