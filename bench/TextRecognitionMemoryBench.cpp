// Resident memory of text recognition on huge pictures: an 8000 x 8000 PNG with two lines of poster-sized
// text, as greyscale, palette, RGB and RGBA. For each, reports the process's resident memory when idle
// (engine made), how far the recognition raised the high-water mark above it ("peak_above_idle_MB", the aim
// is below 150 for every kind), what it kept right after ("after_MB", the aim is a few MB), how long it took
// and what it read; one minute after the last, what is still kept. `--wait SECONDS` shortens the minute.
// Runs on the offscreen platform for fonts.

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ProcessStatus.h"
#include "base/ReleaseFreedMemory.h"
#include "desktop/RenderedImages.h"
#include "platform/linux/QtImageDecoder.h"
#include "platform/linux/TesseractImageTextRecognizer.h"

namespace {

using namespace quorvane;
using bench::statusKilobytes;

TextRecognitionOutcome recognize(TesseractImageTextRecognizer& recognizer, const Data& picture) {
    std::promise<TextRecognitionOutcome> result;
    recognizer.recognizeText({picture, {"en-US"}, false, TextRecognitionLevel::accurate},
                             [&](TextRecognitionOutcome outcome) { result.set_value(std::move(outcome)); });
    return result.get_future().get();
}

double megabytes(const char* key) {
    return statusKilobytes(key) / 1024;
}

// Lowers the high-water mark to the present resident size; false where the kernel does not allow it.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

struct Kind {
    const char* name;
    QImage::Format format;  // the PNG writer picks the colour type from it
};

}  // namespace

int main(int argc, char** argv) {
    int waitSeconds = 60;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--wait") == 0) waitSeconds = std::atoi(argv[i + 1]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    const Kind kinds[] = {{"grey", QImage::Format_Grayscale8},
                          {"palette", QImage::Format_Indexed8},
                          {"rgb", QImage::Format_RGB32},
                          {"rgba", QImage::Format_ARGB32}};
    std::vector<Data> pictures;
    for (const Kind& kind : kinds) pictures.push_back(testing::posterPicture(8000, kind.format));
    TesseractImageTextRecognizer recognizer;
    // Warm: the libraries and fonts loaded once, as in a program that has run for a while.
    recognize(recognizer, testing::posterPicture(800));

    int failures = 0;
    double firstIdle = 0;
    for (std::size_t k = 0; k < std::size(kinds); ++k) {
        const Data& picture = pictures[k];
        releaseFreedMemory();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const bool peakReset = resetPeak();
        const double idle = megabytes("VmRSS");
        if (k == 0) firstIdle = idle;
        {
            // The decoding alone, scaled to the recogniser's bound, before the engine sees the picture.
            const QImage decoded =
                QtImageDecoder::decodeFitting(picture, TesseractImageTextRecognizer::maximumRecognizedPixels);
            std::printf("%s: picture_bytes %zu, decoded %dx%d, decode_peak_above_idle_MB %.1f\n",
                        kinds[k].name, picture.size(), decoded.width(), decoded.height(),
                        megabytes("VmHWM") - idle);
        }
        releaseFreedMemory();
        resetPeak();

        const auto start = std::chrono::steady_clock::now();
        const TextRecognitionOutcome outcome = recognize(recognizer, picture);
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        const double peak = megabytes("VmHWM");
        const double after = megabytes("VmRSS");
        std::printf("%s: idle_MB %.1f peak_above_idle_MB %.1f%s after_MB %+.1f recognition_ms %lld\n",
                    kinds[k].name, idle, peak - idle, peakReset ? "" : " (peak not reset: since start)",
                    after - idle, static_cast<long long>(elapsed.count()));
        std::string read;
        for (const auto& line : outcome.lines) read += (read.empty() ? "" : " | ") + line;
        std::printf("%s: read: %s\n", kinds[k].name, read.c_str());
        if (outcome.error) std::printf("%s: error: %s\n", kinds[k].name, outcome.error->description.c_str());
        if (outcome.lines.empty()) ++failures;
    }
    std::this_thread::sleep_for(std::chrono::seconds(waitSeconds));
    const double afterMinute = megabytes("VmRSS");
    std::printf("after_%ds_MB %.1f (%+.1f above the first idle)\n", waitSeconds, afterMinute,
                afterMinute - firstIdle);
    return failures == 0 ? 0 : 1;
}
