// How long the detail pane holds up the main thread while it shows very large entries: a 1 MB text of many
// lines, a 1 MB text on one line, and a 1 MB one-line JSON document formatted and coloured. A zero-interval
// timer ticks on every turn of the event loop; the longest gap between ticks is the longest time the main
// thread was blocked ("max_block_ms"; the aim is below 50 ms). "wall_ms" is the time until the content is
// on screen.
// BM_HugePicturePeak shows an 8000 x 8000 PNG entry and reports how far it raised the process's high-water
// mark of resident memory ("peak_growth_MB") and the width it was decoded to ("decoded_width", at most the
// widest screen's); BM_HugePictureWholeDecodePeak decodes the same picture whole, as the pane once did. Run
// each in a process of its own (--benchmark_filter) so the high-water mark is its own, e.g. under
// `xvfb-run -a -s "-screen 0 3840x2160x24"` with QT_QPA_PLATFORM=xcb for a 4K screen.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ProcessStatus.h"
#include "panel/widgets/ClipboardDetailView.h"

namespace {

using namespace quorvane;

QApplication& application() {
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "DetailViewBench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

std::string multiLineText() {
    std::string text;
    int line = 0;
    while (text.size() < 1'000'000)
        text += "Line " + std::to_string(line++) + " of a long clipboard entry, ünïcode and 文字.\n";
    return text;
}

std::string oneLineText() {
    std::string text;
    int word = 0;
    while (text.size() < 1'000'000) text += "word" + std::to_string(word++) + " ";
    return text;
}

std::string oneLineJson() {
    std::string json = "[";
    int index = 0;
    while (json.size() < 1'000'000) {
        if (index > 0) json += ",";
        json += R"({"id":)" + std::to_string(index) + R"(,"name":"item )" + std::to_string(index) +
                R"(","tags":["a","b"],"ok":true,"value":12.5})";
        ++index;
    }
    return json + "]";
}

// Runs `start`, then the event loop until `done`, measuring the longest gap between loop turns.
// `prepare` runs before the clock: the content arrives made, as the history manager hands it over.
void measure(benchmark::State& state, const std::function<void(ClipboardDetailView&)>& prepare,
             const std::function<void(ClipboardDetailView&)>& start,
             const std::function<bool(ClipboardDetailView&)>& done) {
    application();
    double worstBlock = 0;
    double totalWall = 0;
    for (auto _ : state) {
        ClipboardDetailView view;
        view.resize(520, 400);
        view.show();
        prepare(view);
        QApplication::processEvents();
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        double maxGap = 0;
        QTimer ticker;
        ticker.setInterval(0);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double gap = sinceTick.nsecsElapsed() / 1e6;
            maxGap = std::max(maxGap, gap);
            sinceTick.restart();
        });
        clock.start();
        sinceTick.start();
        ticker.start();
        start(view);
        maxGap = std::max(maxGap, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        while (!done(view) && clock.elapsed() < 30'000) QApplication::processEvents(QEventLoop::AllEvents, 5);
        // Painting the first screen belongs to the cost as well.
        view.repaint();
        maxGap = std::max(maxGap, sinceTick.nsecsElapsed() / 1e6);
        ticker.stop();
        worstBlock = std::max(worstBlock, maxGap);
        totalWall += clock.nsecsElapsed() / 1e6;
        if (!done(view)) state.SkipWithError("the content never appeared");
    }
    state.counters["max_block_ms"] = worstBlock;
    state.counters["wall_ms"] = totalWall / static_cast<double>(state.iterations());
}

ClipboardHistoryIndexSnapshot entry(std::optional<std::string> classification) {
    ClipboardHistoryIndexSnapshot item;
    item.id = "big";
    item.createdAt = Date(1'700'000'000.0);
    item.classification = std::move(classification);
    return item;
}

// A provider that hands over a content made beforehand, without copying it on the main thread.
void provide(ClipboardDetailView& view, const std::string& text) {
    auto content =
        std::make_shared<std::optional<ClipboardHistoryContentSnapshot>>(ClipboardHistoryContentSnapshot{});
    (*content)->id = "big";
    (*content)->content = text;
    view.contentProvider = [content](const std::string&, auto reply) { reply(std::move(*content)); };
}

void showText(benchmark::State& state, const std::string& text, const std::string& query) {
    measure(
        state, [&](ClipboardDetailView& view) { provide(view, text); },
        [&](ClipboardDetailView& view) { view.showItem(entry(std::nullopt), query); },
        [&](ClipboardDetailView& view) { return view.textView()->document()->characterCount() > 800'000; });
}

void BM_MultiLineText(benchmark::State& state) {
    static const std::string text = multiLineText();
    showText(state, text, "clipboard");
}

void BM_OneLineText(benchmark::State& state) {
    static const std::string text = oneLineText();
    showText(state, text, "word1");
}

void BM_OneLineJsonFormatted(benchmark::State& state) {
    static const std::string json = oneLineJson();
    bool formatting = false;
    measure(
        state,
        [&](ClipboardDetailView& view) {
            formatting = false;
            provide(view, json);
        },
        [&](ClipboardDetailView& view) { view.showItem(entry("json"), "item"); },
        [&](ClipboardDetailView& view) {
            const QTextDocument* document = view.textView()->document();
            if (!formatting) {
                if (document->characterCount() < 900'000) return false;
                formatting = true;
                view.formatButtonTapped();
                return false;
            }
            return view.isFormatted() && document->blockCount() > 1000;
        });
}

using bench::statusKilobytes;

// An 8000 x 8000 PNG with detail in every row, made in a child process so that its 256 MB of pixels never
// count in this process's high-water mark.
const std::vector<std::uint8_t>& hugePng() {
    static const std::vector<std::uint8_t> bytes = [] {
        const auto path =
            std::filesystem::temp_directory_path() / ("quorvane-huge-" + std::to_string(getpid()) + ".png");
        const pid_t child = fork();
        if (child == 0) {
            QImage image(8000, 8000, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) row[x] = qRgb(x / 32, y / 32, (x ^ y) & 0xFF);
            }
            _exit(image.save(QString::fromStdString(path.string()), "PNG") ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        std::ifstream file(path, std::ios::binary);
        std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file),
                                       std::istreambuf_iterator<char>()};
        std::filesystem::remove(path);
        return data;
    }();
    return bytes;
}

void BM_HugePicturePeak(benchmark::State& state) {
    const auto& png = hugePng();
    if (png.empty()) {
        state.SkipWithError("the picture could not be made");
        return;
    }
    application();
    for (auto _ : state) {
        ClipboardDetailView view;
        view.resize(520, 400);
        view.show();
        auto content = std::make_shared<ClipboardHistoryContentSnapshot>();
        content->id = "big";
        content->imageData = png;
        view.contentProvider = [content](const std::string&, auto reply) { reply(*content); };
        ClipboardHistoryIndexSnapshot item = entry(std::nullopt);
        item.contentType = ClipboardContentType::image;
        QApplication::processEvents();
        const double before = statusKilobytes("VmHWM");
        view.showItem(item, "");
        QElapsedTimer clock;
        clock.start();
        while (!view.isShowingImage() && clock.elapsed() < 60'000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        view.repaint();
        if (!view.isShowingImage()) {
            state.SkipWithError("the picture never appeared");
            return;
        }
        state.counters["peak_growth_MB"] = (statusKilobytes("VmHWM") - before) / 1024;
        state.counters["decoded_width"] = view.shownImagePixels().width();
        state.counters["wall_ms"] = static_cast<double>(clock.elapsed());
        state.counters["png_MB"] = static_cast<double>(png.size()) / (1024 * 1024);
    }
}

void BM_HugePictureWholeDecodePeak(benchmark::State& state) {
    const auto& png = hugePng();
    application();
    // Qt's own limit refuses a picture this size; the pane once decoded it whole all the same.
    QImageReader::setAllocationLimit(0);
    for (auto _ : state) {
        const double before = statusKilobytes("VmHWM");
        const QImage image = QImage::fromData(png.data(), static_cast<int>(png.size()));
        benchmark::DoNotOptimize(image.constBits());
        state.counters["peak_growth_MB"] = (statusKilobytes("VmHWM") - before) / 1024;
        state.counters["decoded_width"] = image.width();
    }
}

BENCHMARK(BM_HugePicturePeak)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HugePictureWholeDecodePeak)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MultiLineText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OneLineText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OneLineJsonFormatted)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
