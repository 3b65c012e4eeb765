#pragma once

// Text recognition with Tesseract 5 on one worker thread of its own. The request's language codes map to
// Tesseract's models (eng, chi_sim, chi_tra, jpn, kor); automatic detection loads every one of them that
// is installed. Image data is decoded with Qt under an allocation cap. Safe from any thread.
// Tesseract's library (and the forty it needs) is loaded on the first recognition, not with the program:
// most starts recognise nothing, and the start would wait for all of them.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/SerialQueue.h"
#include "platform/ImageTextRecognizer.h"

class QImage;

namespace tesseract {
class TessBaseAPI;
}

namespace quorvane {

class TesseractImageTextRecognizer final : public ImageTextRecognizer {
public:
    // Larger images are read scaled down to this many pixels, which bounds the engine's memory (it holds
    // several copies of the page). A 3840 x 2160 screenshot still reads at full size.
    static constexpr std::int64_t maximumRecognizedPixels = 3840 * 2160;

    // Tesseract's library as the dynamic loader names it.
    static constexpr const char* defaultLibraryName = QUORVANE_TESSERACT_LIBRARY;

    // Reads the models from `dataDirectory`, else from $TESSDATA_PREFIX, else from Debian's folder; loads
    // the engine from `libraryName` when first asked to recognise.
    explicit TesseractImageTextRecognizer(std::optional<std::filesystem::path> dataDirectory = std::nullopt,
                                          std::string libraryName = defaultLibraryName);
    // Requests still waiting complete as cancelled instead of running.
    ~TesseractImageTextRecognizer() override;
    TesseractImageTextRecognizer(const TesseractImageTextRecognizer&) = delete;
    TesseractImageTextRecognizer& operator=(const TesseractImageTextRecognizer&) = delete;

    void recognizeText(TextRecognitionRequest request, Completion completion) override;

    const std::filesystem::path& dataDirectory() const { return dataDirectory_; }

    // Tesseract's model name for a language code of the recognition setting; nothing for other codes.
    static std::optional<std::string> modelName(const std::string& languageCode);
    // The models of the supported languages that `dataDirectory` holds, in the setting's language order.
    static std::vector<std::string> installedModels(const std::filesystem::path& dataDirectory);

private:
    struct Library;

    TextRecognitionOutcome recognize(const TextRecognitionRequest& request);
    std::optional<ImageTextRecognitionError> loadModels(const std::string& models);
    enum class Threshold { global, local };
    struct Reading {
        std::vector<std::string> lines;
        int confidence = 0;  // Tesseract's mean word confidence, 0 to 100
    };
    // What the loaded engine reads in an 8-bit grey image; none when Tesseract fails.
    std::optional<Reading> recognizeLines(const QImage& grey, Threshold threshold);
    // Unloads the models and hands freed memory back to the system. On the worker.
    void releaseEngine();

    std::filesystem::path dataDirectory_;
    std::string libraryName_;
    std::atomic<bool> stopping_{false};
    // Requests handed in and not yet completed.
    std::atomic<int> waiting_{0};
    // Used on the worker only: the library once loaded, and the engine, which stays loaded while requests
    // ask for the same models.
    const Library* library_ = nullptr;
    tesseract::TessBaseAPI* engine_ = nullptr;
    std::string loadedModels_;
    SerialQueue worker_;  // last, so it drains before the engine goes
};

}  // namespace quorvane
