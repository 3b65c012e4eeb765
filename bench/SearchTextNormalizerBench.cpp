// Cost of making the search text of one captured entry: normalising it and annotating its pinyin.

#include <benchmark/benchmark.h>

#include <string>

#include "model/SearchTextNormalizer.h"

namespace {

// About 8 KB of Latin words with accents, Chinese runs, digits and mixed whitespace.
std::string mixedText() {
    const std::string piece =
        "Meeting notes 会议记录: Café  déjà vu\t北京 Shanghai 上海 — résumé ÜBER 2024-05-01\n"
        "剪贴板历史 clipboard history, 拼音 search ＦＵＬＬ　ＷＩＤＴＨ naïve façade 中文文本 ok.\n";
    std::string text;
    while (text.size() < 8 * 1024) text += piece;
    return text;
}

void normalizeAndAnnotate(benchmark::State& state) {
    const std::string text = mixedText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(quorvane::SearchTextNormalizer::normalize(text));
        benchmark::DoNotOptimize(quorvane::SearchTextNormalizer::pinyinAnnotatedText(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(normalizeAndAnnotate);

void normalizeOnly(benchmark::State& state) {
    const std::string text = mixedText();
    for (auto _ : state) benchmark::DoNotOptimize(quorvane::SearchTextNormalizer::normalize(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(normalizeOnly);

void annotateOnly(benchmark::State& state) {
    const std::string text = mixedText();
    for (auto _ : state) benchmark::DoNotOptimize(quorvane::SearchTextNormalizer::pinyinAnnotatedText(text));
}
BENCHMARK(annotateOnly);

}  // namespace

BENCHMARK_MAIN();
