// Cost of the work the search field does on every keystroke: parsing the query (with a type value that
// misses the built-in vocabulary, so the user's rules are read), the suggestion list for a colon fragment,
// the type completion, and resolving an app: value against the stored application ids.

#include <benchmark/benchmark.h>

#include "classification/ClipboardClassificationSettings.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "search/ClipboardSearchQueryParser.h"
#include "searchindex/ClipboardAppIdentityResolver.h"

namespace {

using namespace quorvane;

InMemoryUserDefaults& defaultsWithRules() {
    static InMemoryUserDefaults defaults;
    static const bool filled = [] {
        std::vector<ClipboardUserClassificationRule> rules;
        for (int i = 0; i < 20; ++i) {
            ClipboardUserClassificationRule rule;
            rule.id = "rule-" + std::to_string(i);
            rule.name = "Rule " + std::to_string(i);
            rule.conditionValue = "x";
            rule.resultClassification = "Project Notes " + std::to_string(i);
            rules.push_back(rule);
        }
        ClipboardClassificationSettings::setUserRules(rules, defaults);
        return true;
    }();
    (void)filled;
    return defaults;
}

void BM_ParseTextOnly(benchmark::State& state) {
    auto& defaults = defaultsWithRules();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ClipboardSearchQueryParser::parse("Quarterly report draft 2024 numbers", defaults));
    }
}
BENCHMARK(BM_ParseTextOnly);

void BM_ParseFiltersWithUserType(benchmark::State& state) {
    auto& defaults = defaultsWithRules();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ClipboardSearchQueryParser::parse(
            "type:project-notes-7 app: firefox after:week invoice", defaults));
    }
}
BENCHMARK(BM_ParseFiltersWithUserType);

void BM_FilterSuggestions(benchmark::State& state) {
    auto& defaults = defaultsWithRules();
    for (auto _ : state)
        benchmark::DoNotOptimize(ClipboardSearchQueryParser::filterSuggestions("js", defaults));
}
BENCHMARK(BM_FilterSuggestions);

void BM_TypeCompletion(benchmark::State& state) {
    auto& defaults = defaultsWithRules();
    for (auto _ : state)
        benchmark::DoNotOptimize(ClipboardSearchQueryParser::typeFilterCandidates("pro", defaults));
}
BENCHMARK(BM_TypeCompletion);

void BM_ResolveAppName(benchmark::State& state) {
    InMemoryApplicationCatalog catalog;
    std::vector<std::string> known;
    for (int i = 0; i < state.range(0); ++i) {
        auto identifier = "org.example.Application" + std::to_string(i);
        catalog.install(identifier, "Example Application " + std::to_string(i));
        known.push_back(identifier);
    }
    ClipboardAppIdentityResolver resolver(catalog, nullptr, "C");
    for (auto _ : state) benchmark::DoNotOptimize(resolver.resolveBundleIdentifiers("application 1", known));
}
BENCHMARK(BM_ResolveAppName)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
