// The password hash runs once per added or imported account; this keeps an eye on its cost.
#include <benchmark/benchmark.h>

#include "login/pwd_hash.h"

static void pwd_hash(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(PwdHash("a password of usual length"));
    state.SetLabel("us");
}
BENCHMARK(pwd_hash);
