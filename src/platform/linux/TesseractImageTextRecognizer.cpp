#include "platform/linux/TesseractImageTextRecognizer.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/ReleaseFreedMemory.h"
#include "platform/linux/OpenMpThreadLimit.h"
#include "platform/linux/QtImageDecoder.h"

namespace quorvane {

namespace {

constexpr std::array<std::pair<const char*, const char*>, 5> languageModels{{
    {"en-US", "eng"},
    {"zh-Hans", "chi_sim"},
    {"zh-Hant", "chi_tra"},
    {"ja-JP", "jpn"},
    {"ko-KR", "kor"},
}};

// Small images are enlarged for the accurate level: Tesseract reads text best at about 30 pixels a line.
constexpr int accurateUpscaleBelowPixels = 1600;

// Below this mean word confidence (0 to 100) the first reading is weak enough that the inverted one may read
// better. Dark text on plain ground reads at 85 to 96; light text whose ground the global threshold split
// (warm gradients) comes back as a few scattered fragments at 30 to 70.
constexpr int weakReadingConfidence = 80;

std::filesystem::path defaultDataDirectory() {
    if (const char* prefix = std::getenv("TESSDATA_PREFIX"); prefix && *prefix) return prefix;
    return "/usr/share/tesseract-ocr/5/tessdata";
}

std::string joinedModels(const std::vector<std::string>& models) {
    std::string joined;
    for (const auto& model : models) joined += (joined.empty() ? "" : "+") + model;
    return joined;
}

// An 8-bit grey copy, with transparent pixels laid over `ground` (Qt::transparent: kept as they are).
QImage greyCopy(const QImage& image, const QColor& ground) {
    if (ground.alpha() == 0) return image.convertToFormat(QImage::Format_Grayscale8);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(ground);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat.convertToFormat(QImage::Format_Grayscale8);
}

std::string trimmedLine(const char* text) {
    std::string line = text ? text : "";
    const auto last = line.find_last_not_of(" \t\r\n\f\v");
    line.erase(last == std::string::npos ? 0 : last + 1);
    const auto first = line.find_first_not_of(" \t\r\n\f\v");
    line.erase(0, first == std::string::npos ? line.size() : first);
    return line;
}

}  // namespace

TesseractImageTextRecognizer::TesseractImageTextRecognizer(std::optional<std::filesystem::path> dataDirectory)
    : dataDirectory_(dataDirectory ? *dataDirectory : defaultDataDirectory()),
      worker_("Quorvane.TextRecognition") {
    // One worker, one thread: recognition must not take every core while the user works.
    worker_.async(limitOpenMpToOneThreadOnThisThread);
}

TesseractImageTextRecognizer::~TesseractImageTextRecognizer() {
    stopping_ = true;
    worker_.drain();
}

std::optional<std::string> TesseractImageTextRecognizer::modelName(const std::string& languageCode) {
    for (const auto& [code, model] : languageModels) {
        if (languageCode == code) return model;
    }
    return std::nullopt;
}

std::vector<std::string> TesseractImageTextRecognizer::installedModels(
    const std::filesystem::path& dataDirectory) {
    std::vector<std::string> models;
    for (const auto& [code, model] : languageModels) {
        std::error_code error;
        if (std::filesystem::is_regular_file(dataDirectory / (std::string(model) + ".traineddata"), error)) {
            models.emplace_back(model);
        }
    }
    return models;
}

void TesseractImageTextRecognizer::recognizeText(TextRecognitionRequest request, Completion completion) {
    ++waiting_;
    worker_.async([this, request = std::move(request), completion = std::move(completion)] {
        TextRecognitionOutcome outcome;
        if (stopping_) {
            outcome.error = ImageTextRecognitionError{ImageTextRecognitionError::Kind::cancelled,
                                                      "Text recognition was shut down"};
        } else {
            outcome = recognize(request);
        }
        // The last of a run of requests gives the engine's memory back: images come seldom, and the models
        // and the engine's page buffers would otherwise stay resident between them.
        if (--waiting_ == 0) releaseEngine();
        completion(std::move(outcome));
    });
}

void TesseractImageTextRecognizer::releaseEngine() {
    if (engine_) {
        engine_->End();
        engine_.reset();
    }
    loadedModels_.clear();
    // The dictionaries stay cached for every engine of the process unless cleared.
    tesseract::TessBaseAPI::ClearPersistentCache();
    releaseFreedMemory();
}

std::optional<ImageTextRecognitionError> TesseractImageTextRecognizer::loadModels(const std::string& models) {
    if (engine_ && loadedModels_ == models) return std::nullopt;
    engine_.reset();
    loadedModels_.clear();
    auto engine = std::make_unique<tesseract::TessBaseAPI>();
    const std::string directory = dataDirectory_.string();
    if (engine->Init(directory.c_str(), models.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
        return ImageTextRecognitionError{
            ImageTextRecognitionError::Kind::request,
            "Tesseract could not load the models " + models + " from " + directory};
    }
    engine->SetVariable("debug_file", "/dev/null");
    engine_ = std::move(engine);
    loadedModels_ = models;
    return std::nullopt;
}

TextRecognitionOutcome TesseractImageTextRecognizer::recognize(const TextRecognitionRequest& request) {
    using Kind = ImageTextRecognitionError::Kind;
    QImage image = QtImageDecoder::decodeFitting(request.imageData, maximumRecognizedPixels);
    if (image.isNull()) {
        return {{},
                ImageTextRecognitionError{Kind::imageConversion, "The data is no image that can be decoded"}};
    }

    std::vector<std::string> models;
    if (request.automaticLanguageDetection) {
        models = installedModels(dataDirectory_);
    } else {
        for (const auto& code : request.languages) {
            const auto model = modelName(code);
            if (!model)
                return {{}, ImageTextRecognitionError{Kind::request, "Unsupported language: " + code}};
            std::error_code ignored;
            if (!std::filesystem::is_regular_file(dataDirectory_ / (*model + ".traineddata"), ignored)) {
                return {{},
                        ImageTextRecognitionError{Kind::request,
                                                  "The language model " + *model + " is not installed"}};
            }
            models.push_back(*model);
        }
    }
    if (models.empty()) {
        return {{},
                ImageTextRecognitionError{Kind::request,
                                          "No language model is installed in " + dataDirectory_.string()}};
    }
    if (auto error = loadModels(joinedModels(models))) return {{}, *error};

    if (request.level == TextRecognitionLevel::accurate &&
        std::max(image.width(), image.height()) < accurateUpscaleBelowPixels) {
        // Enlarged at most to the pixel bound, which holds the engine's memory.
        const double room =
            std::sqrt(double(maximumRecognizedPixels) / (double(image.width()) * image.height()));
        const double factor = std::min(2.0, room);
        if (factor > 1.0) {
            image = image.scaled(int(image.width() * factor), int(image.height() * factor),
                                 Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
    }
    // Tesseract reads dark text on light ground. Light text on dark or coloured ground (dark themes,
    // banners) reads only once the grey copy is inverted, and on a gradient only with a threshold that
    // follows the ground from place to place (Sauvola) instead of one for the whole image. So an empty or
    // weak first reading gets a second one prepared that way, and the surer of the two counts. A transparent
    // ground counts as white, then as black.
    const bool transparent = image.hasAlphaChannel();
    QImage grey = greyCopy(image, transparent ? Qt::white : Qt::transparent);
    auto reading = recognizeLines(grey, Threshold::global);
    if (reading && (reading->lines.empty() || reading->confidence < weakReadingConfidence)) {
        if (transparent) grey = greyCopy(image, Qt::black);
        grey.invertPixels();
        auto inverted = recognizeLines(grey, Threshold::local);
        if (inverted && !inverted->lines.empty() &&
            (reading->lines.empty() || inverted->confidence > reading->confidence)) {
            reading = std::move(inverted);
        }
    }
    if (!reading)
        return {{}, ImageTextRecognitionError{Kind::recognition, "Tesseract could not recognise the image"}};
    return {std::move(reading->lines), std::nullopt};
}

std::optional<TesseractImageTextRecognizer::Reading> TesseractImageTextRecognizer::recognizeLines(
    const QImage& grey, Threshold threshold) {
    // Tesseract's own numbering: 0 Otsu over the whole image, 2 Sauvola.
    engine_->SetVariable("thresholding_method", threshold == Threshold::global ? "0" : "2");
    engine_->SetImage(grey.constBits(), grey.width(), grey.height(), 1,
                      static_cast<int>(grey.bytesPerLine()));
    engine_->SetSourceResolution(300);
    if (engine_->Recognize(nullptr) != 0) {
        engine_->Clear();
        return std::nullopt;
    }
    Reading reading;
    std::vector<std::string>& lines = reading.lines;
    reading.confidence = engine_->MeanTextConf();
    std::unique_ptr<tesseract::ResultIterator> iterator(engine_->GetIterator());
    if (iterator && !iterator->Empty(tesseract::RIL_TEXTLINE)) {
        do {
            std::unique_ptr<char[]> text(iterator->GetUTF8Text(tesseract::RIL_TEXTLINE));
            std::string line = trimmedLine(text.get());
            if (!line.empty()) lines.push_back(std::move(line));
        } while (iterator->Next(tesseract::RIL_TEXTLINE));
    }
    iterator.reset();
    engine_->Clear();
    return reading;
}

}  // namespace quorvane
