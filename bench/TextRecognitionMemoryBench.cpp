// Resident memory of text recognition on a huge picture: an 8000 x 8000 PNG with two lines of poster-sized
// text. Reports the process's resident memory when idle (engine made, nothing recognised), how far the
// recognition raised the high-water mark above it ("peak_above_idle_MB", the aim is below 250), what it kept
// right after and one minute later ("after_MB", "after_minute_MB", the aim is a few MB above idle), how long
// it took and what it read. `--wait SECONDS` shortens the minute. Runs on the offscreen platform for fonts.

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <future>
#include <thread>

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

}  // namespace

int main(int argc, char** argv) {
    int waitSeconds = 60;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--wait") == 0) waitSeconds = std::atoi(argv[i + 1]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    const Data picture = testing::posterPicture(8000);
    TesseractImageTextRecognizer recognizer;
    // Warm: the libraries and fonts loaded once, as in a program that has run for a while.
    recognize(recognizer, testing::posterPicture(800));
    releaseFreedMemory();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const bool peakReset = resetPeak();
    const double idle = megabytes("VmRSS");

    {
        // The decoding alone, scaled to the recogniser's bound, before the engine sees the picture.
        const QImage decoded =
            QtImageDecoder::decodeFitting(picture, TesseractImageTextRecognizer::maximumRecognizedPixels);
        std::printf("decoded %dx%d, decode_peak_above_idle_MB %.1f\n", decoded.width(), decoded.height(),
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
    std::this_thread::sleep_for(std::chrono::seconds(waitSeconds));
    const double afterMinute = megabytes("VmRSS");

    std::printf("picture_bytes %zu\n", picture.size());
    std::printf("idle_MB %.1f\n", idle);
    std::printf("peak_above_idle_MB %.1f%s\n", peak - idle,
                peakReset ? "" : " (peak not reset: since start)");
    std::printf("after_MB %.1f (%+.1f)\n", after, after - idle);
    std::printf("after_%ds_MB %.1f (%+.1f)\n", waitSeconds, afterMinute, afterMinute - idle);
    std::printf("recognition_ms %lld\n", static_cast<long long>(elapsed.count()));
    for (const auto& line : outcome.lines) std::printf("read: %s\n", line.c_str());
    if (outcome.error) std::printf("error: %s\n", outcome.error->description.c_str());
    return outcome.lines.empty() ? 1 : 0;
}
