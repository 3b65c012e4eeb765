#pragma once

// Image decoding for tests: converts exactly the blobs registered with setPngData() or
// setTypedConversion() and nothing else, and counts the attempts, so a test can see that no decoding was
// tried. A file's type is the one registered for its name, else the type its signature names, else empty.
// Safe from any thread.

#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "platform/ImageDecoder.h"
#include "platform/ImageFormat.h"

namespace quorvane {

class InMemoryImageDecoder final : public ImageDecoder {
public:
    std::optional<Data> pngData(const Data& imageData) const override {
        ++decodeCount_;
        std::lock_guard lock(mutex_);
        const auto found = conversions_.find(imageData);
        return found == conversions_.end() ? std::nullopt : std::optional<Data>(found->second);
    }

    std::string fileContentType(std::string_view fileName,
                                std::span<const std::uint8_t> leadingBytes) const override {
        std::lock_guard lock(mutex_);
        const auto found = fileTypes_.find(std::string(fileName));
        if (found != fileTypes_.end()) return found->second;
        const auto format = ImageFormat::detect(leadingBytes);
        return format ? std::string(format->utType()) : std::string();
    }

    bool canDecode(std::string_view contentType) const override {
        std::lock_guard lock(mutex_);
        return isImageContentType(contentType) && !undecodableTypes_.contains(std::string(contentType));
    }

    std::optional<TypedConversion> convertedToPng(const Data& imageData,
                                                  std::string_view contentType) const override {
        ++decodeCount_;
        std::lock_guard lock(mutex_);
        const auto found = typedConversions_.find({imageData, std::string(contentType)});
        return found == typedConversions_.end() ? std::nullopt
                                                : std::optional<TypedConversion>(found->second);
    }

    // Makes canDecode() false for `contentType`.
    void setUndecodableType(std::string contentType) {
        std::lock_guard lock(mutex_);
        undecodableTypes_.insert(std::move(contentType));
    }
    // Makes `contentType` the type of every file named `fileName`.
    void setFileContentType(std::string fileName, std::string contentType) {
        std::lock_guard lock(mutex_);
        fileTypes_[std::move(fileName)] = std::move(contentType);
    }
    // Makes `conversion` what `imageData` read as `contentType` gives.
    void setTypedConversion(Data imageData, std::string contentType, TypedConversion conversion) {
        std::lock_guard lock(mutex_);
        typedConversions_[{std::move(imageData), std::move(contentType)}] = std::move(conversion);
    }

    // Makes `png` the PNG form of `imageData`.
    void setPngData(Data imageData, Data png) {
        std::lock_guard lock(mutex_);
        conversions_[std::move(imageData)] = std::move(png);
    }
    int decodeCount() const { return decodeCount_; }

private:
    mutable std::mutex mutex_;
    std::map<Data, Data> conversions_;
    std::map<std::string, std::string> fileTypes_;
    std::set<std::string> undecodableTypes_;
    std::map<std::pair<Data, std::string>, TypedConversion> typedConversions_;
    mutable std::atomic<int> decodeCount_{0};
};

}  // namespace quorvane
