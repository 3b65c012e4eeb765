#include "platform/linux/TesseractImageTextRecognizer.h"

#include <dlfcn.h>
#include <tesseract/capi.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

#include "base/Logger.h"
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

// Tesseract's C interface, looked up in its library once per process; the library is never unloaded.
struct TesseractImageTextRecognizer::Library {
    decltype(&TessBaseAPICreate) create = nullptr;
    decltype(&TessBaseAPIDelete) destroy = nullptr;
    decltype(&TessBaseAPIInit2) init = nullptr;
    decltype(&TessBaseAPISetVariable) setVariable = nullptr;
    decltype(&TessBaseAPISetImage) setImage = nullptr;
    decltype(&TessBaseAPISetSourceResolution) setSourceResolution = nullptr;
    decltype(&TessBaseAPIRecognize) recognize = nullptr;
    decltype(&TessBaseAPIMeanTextConf) meanTextConf = nullptr;
    decltype(&TessBaseAPIGetIterator) iterator = nullptr;
    decltype(&TessResultIteratorGetUTF8Text) text = nullptr;
    decltype(&TessResultIteratorNext) next = nullptr;
    decltype(&TessResultIteratorDelete) deleteIterator = nullptr;
    decltype(&TessDeleteText) deleteText = nullptr;
    decltype(&TessBaseAPIClear) clear = nullptr;
    decltype(&TessBaseAPIEnd) end = nullptr;
    decltype(&TessBaseAPIClearPersistentCache) clearPersistentCache = nullptr;

    // The library named `name`, or null with the reason in `failure` (said once per name).
    static const Library* load(const std::string& name, std::string& failure) {
        static std::mutex mutex;
        static std::map<std::string, std::pair<std::optional<Library>, std::string>> loaded;
        const std::lock_guard lock(mutex);
        auto found = loaded.find(name);
        if (found == loaded.end()) {
            std::string reason;
            auto library = open(name, reason);
            if (!library) Logger::error("Failed to load text recognition: " + reason, "TextRecognition");
            found = loaded.emplace(name, std::pair{std::move(library), std::move(reason)}).first;
        }
        failure = found->second.second;
        return found->second.first ? &*found->second.first : nullptr;
    }

private:
    static std::optional<Library> open(const std::string& name, std::string& failure) {
        // Global, so that OpenMP, which comes with it, is found by the thread limit.
        void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (!handle) {
            const char* reason = dlerror();
            failure = reason ? reason : "cannot open " + name;
            return std::nullopt;
        }
        Library library;
        bool complete = true;
        const auto bind = [&](auto& function, const char* symbol) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, symbol));
            if (!function && complete) {
                complete = false;
                failure = name + " has no " + symbol;
            }
        };
        bind(library.create, "TessBaseAPICreate");
        bind(library.destroy, "TessBaseAPIDelete");
        bind(library.init, "TessBaseAPIInit2");
        bind(library.setVariable, "TessBaseAPISetVariable");
        bind(library.setImage, "TessBaseAPISetImage");
        bind(library.setSourceResolution, "TessBaseAPISetSourceResolution");
        bind(library.recognize, "TessBaseAPIRecognize");
        bind(library.meanTextConf, "TessBaseAPIMeanTextConf");
        bind(library.iterator, "TessBaseAPIGetIterator");
        bind(library.text, "TessResultIteratorGetUTF8Text");
        bind(library.next, "TessResultIteratorNext");
        bind(library.deleteIterator, "TessResultIteratorDelete");
        bind(library.deleteText, "TessDeleteText");
        bind(library.clear, "TessBaseAPIClear");
        bind(library.end, "TessBaseAPIEnd");
        bind(library.clearPersistentCache, "TessBaseAPIClearPersistentCache");
        if (!complete) return std::nullopt;
        return library;
    }
};

TesseractImageTextRecognizer::TesseractImageTextRecognizer(std::optional<std::filesystem::path> dataDirectory,
                                                           std::string libraryName)
    : dataDirectory_(dataDirectory ? *dataDirectory : defaultDataDirectory()),
      libraryName_(std::move(libraryName)),
      worker_("Quorvane.TextRecognition") {}

TesseractImageTextRecognizer::~TesseractImageTextRecognizer() {
    stopping_ = true;
    worker_.drain();
    if (engine_) library_->destroy(engine_);
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
    if (!library_) return;
    if (engine_) {
        library_->end(engine_);
        library_->destroy(engine_);
        engine_ = nullptr;
    }
    loadedModels_.clear();
    // The dictionaries stay cached for every engine of the process unless cleared.
    library_->clearPersistentCache(nullptr);
    releaseFreedMemory();
}

std::optional<ImageTextRecognitionError> TesseractImageTextRecognizer::loadModels(const std::string& models) {
    if (!library_) {
        std::string failure;
        library_ = Library::load(libraryName_, failure);
        if (!library_) {
            return ImageTextRecognitionError{ImageTextRecognitionError::Kind::request,
                                             "Tesseract could not be loaded: " + failure};
        }
        // One worker, one thread: recognition must not take every core while the user works. OpenMP came
        // with the library, so the limit is set only now.
        limitOpenMpToOneThreadOnThisThread();
    }
    if (engine_ && loadedModels_ == models) return std::nullopt;
    if (engine_) library_->destroy(engine_);
    engine_ = nullptr;
    loadedModels_.clear();
    tesseract::TessBaseAPI* engine = library_->create();
    const std::string directory = dataDirectory_.string();
    if (library_->init(engine, directory.c_str(), models.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
        library_->destroy(engine);
        return ImageTextRecognitionError{
            ImageTextRecognitionError::Kind::request,
            "Tesseract could not load the models " + models + " from " + directory};
    }
    library_->setVariable(engine, "debug_file", "/dev/null");
    engine_ = engine;
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
    const Library& tess = *library_;
    // Tesseract's own numbering: 0 Otsu over the whole image, 2 Sauvola.
    tess.setVariable(engine_, "thresholding_method", threshold == Threshold::global ? "0" : "2");
    tess.setImage(engine_, grey.constBits(), grey.width(), grey.height(), 1,
                  static_cast<int>(grey.bytesPerLine()));
    tess.setSourceResolution(engine_, 300);
    if (tess.recognize(engine_, nullptr) != 0) {
        tess.clear(engine_);
        return std::nullopt;
    }
    Reading reading;
    std::vector<std::string>& lines = reading.lines;
    reading.confidence = tess.meanTextConf(engine_);
    if (TessResultIterator* iterator = tess.iterator(engine_)) {
        // An empty page gives no text at its first line.
        do {
            char* text = tess.text(iterator, tesseract::RIL_TEXTLINE);
            if (!text) break;
            std::string line = trimmedLine(text);
            tess.deleteText(text);
            if (!line.empty()) lines.push_back(std::move(line));
        } while (tess.next(iterator, tesseract::RIL_TEXTLINE));
        tess.deleteIterator(iterator);
    }
    tess.clear(engine_);
    return reading;
}

}  // namespace quorvane
