// Cost of one interface-text lookup, which menus and panels make for every visible text on every rebuild.

#include <benchmark/benchmark.h>

#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/InMemoryUserDefaults.h"

namespace {

using namespace quorvane;

void setLanguage(InMemoryUserDefaults& defaults, const benchmark::State& state) {
    defaults.set(AppLanguage::defaultsKey, state.range(0) == 0 ? "en" : "zh-Hans");
}

void PlainKey(benchmark::State& state) {
    InMemoryUserDefaults defaults;
    StandardAppLanguage language(defaults);
    setLanguage(defaults, state);
    for (auto _ : state) benchmark::DoNotOptimize(L10n::text(L10nKey::advancedRebuildIndexDescription));
}
BENCHMARK(PlainKey)->Arg(0)->Arg(1);

void KeyWithFourArguments(benchmark::State& state) {
    InMemoryUserDefaults defaults;
    StandardAppLanguage language(defaults);
    setLanguage(defaults, state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            L10n::text(L10nKey::retentionShortenMessage, "text", "7 Days", "1 Day", "text"));
    }
}
BENCHMARK(KeyWithFourArguments)->Arg(0)->Arg(1);

void KeyWithIntegers(benchmark::State& state) {
    InMemoryUserDefaults defaults;
    StandardAppLanguage language(defaults);
    setLanguage(defaults, state);
    for (auto _ : state) benchmark::DoNotOptimize(L10n::text(L10nKey::onboardingStepOfTotal, 2, 5));
}
BENCHMARK(KeyWithIntegers)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
