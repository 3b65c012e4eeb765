// Cost of reading one copied item: rich-text conversion and fingerprints on large inputs.

#include <benchmark/benchmark.h>

#include "capture/ClipboardPayloadReader.h"
#include "capture/HtmlPlainText.h"
#include "capture/RtfPlainText.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryPasteboard.h"

namespace {

std::string repeatedTo(std::size_t size, const std::string& unit) {
    std::string text;
    while (text.size() < size) text += unit;
    return text;
}

const std::string& htmlDocument() {
    static const std::string html =
        "<html><head><style>p{margin:0}</style></head><body>" +
        repeatedTo(1 << 20,
                   "<p>Copied <b>rich</b> text &amp; a <a href=\"https://example.org\">link</a>, "
                   "caf&eacute; &#x4F60;&#x597D;</p>\n<table><tr><td>a</td><td>b</td></tr></table>") +
        "</body></html>";
    return html;
}

const std::string& rtfDocument() {
    static const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}{\\colortbl;\\red0\\green0\\blue0;}" +
        repeatedTo(1 << 20,
                   "\\f0\\fs24 Copied \\b rich\\b0  text Caf\\'e9 "
                   "\\u20320?\\u22909?\\par\n") +
        "}";
    return rtf;
}

void HtmlPlainTextOfOneMegabyte(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(quorvane::htmlPlainText(htmlDocument()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * htmlDocument().size()));
}
BENCHMARK(HtmlPlainTextOfOneMegabyte)->Unit(benchmark::kMillisecond);

void RtfPlainTextOfOneMegabyte(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(quorvane::rtfPlainText(rtfDocument()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtfDocument().size()));
}
BENCHMARK(RtfPlainTextOfOneMegabyte)->Unit(benchmark::kMillisecond);

// A 10 MB item (the default limit) with all three forms: read, size-checked and fingerprinted.
void ReadMonitoredTextPayloadOfTenMegabytes(benchmark::State& state) {
    quorvane::InMemoryPasteboard pasteboard;
    pasteboard.replaceItem({{quorvane::PasteboardType::plainText,
                             quorvane::dataFromString(repeatedTo(7 << 20, "plain text line\n"))},
                            {quorvane::PasteboardType::rtf, quorvane::dataFromString(rtfDocument())},
                            {quorvane::PasteboardType::html, quorvane::dataFromString(htmlDocument())}});
    quorvane::InMemoryImageProbe probe;
    quorvane::InMemoryImageDecoder decoder;
    quorvane::ClipboardPayloadReader reader(probe, decoder);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.readMonitoredPayload(pasteboard, 10ll << 20, true, true));
    }
}
BENCHMARK(ReadMonitoredTextPayloadOfTenMegabytes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
