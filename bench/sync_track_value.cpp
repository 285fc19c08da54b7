// Cost of evaluating one sync track at a row, for tracks of 10, 1,000 and
// 100,000 keys. The rows are random with fractions, spread over the track's
// whole range, and the keys' types are mixed at random, so neither the
// search nor the interpolation sees a pattern to profit from.
// Target: under 50 ns per evaluation at 100,000 keys, growing with log(keys).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "BenchCommandLine.h"
#include "sync/track.h"

namespace {

constexpr int kRowStep = 8; // rows between neighbouring keys

SyncTrack makeTrack(int key_count, std::mt19937& random)
{
    SyncTrack track;
    track.name = "bench";
    std::unique_ptr<SyncKey[]> keys(new SyncKey[key_count]);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (int i = 0; i < key_count; ++i)
        keys[i] = {i * kRowStep, value(random), static_cast<int32_t>(random() % 4)};
    sync_set_keys(&track, std::move(keys), key_count);
    return track;
}

void BM_SyncTrackValue(benchmark::State& state)
{
    const int key_count = static_cast<int>(state.range(0));
    std::mt19937 random(42);
    SyncTrack track = makeTrack(key_count, random);

    // A fixed table of rows, walked in a loop, keeps the generator out of the timing.
    std::uniform_real_distribution<double> row(0.0, static_cast<double>(key_count) * kRowStep);
    std::vector<double> rows(4096);
    for (double& r : rows)
        r = row(random);

    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sync_track_value(&track, rows[next]));
        next = (next + 1) & (rows.size() - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_SyncTrackValue)->Arg(10)->Arg(1000)->Arg(100000);

int main(int argc, char** argv)
{
    return bench::runGoogleBenchmarks(
        argc, argv, "bench_sync_track_value",
        "Cost of evaluating one sync track at a random row, for tracks of 10, 1,000 and\n100,000 keys, in nanoseconds "
        "per evaluation (target: under 50 ns at 100,000).\n");
}
