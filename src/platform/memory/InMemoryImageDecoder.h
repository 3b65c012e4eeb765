#pragma once

// Image decoding for tests: converts exactly the blobs registered with setPngData() and nothing else, and
// counts the attempts, so a test can see that no decoding was tried. Safe from any thread.

#include <atomic>
#include <map>
#include <mutex>

#include "platform/ImageDecoder.h"

namespace quorvane {

class InMemoryImageDecoder final : public ImageDecoder {
public:
    std::optional<Data> pngData(const Data& imageData) const override {
        ++decodeCount_;
        std::lock_guard lock(mutex_);
        const auto found = conversions_.find(imageData);
        return found == conversions_.end() ? std::nullopt : std::optional<Data>(found->second);
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
    mutable std::atomic<int> decodeCount_{0};
};

}  // namespace quorvane
