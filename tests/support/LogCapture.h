#pragma once

// Collects every log line written while it lives, instead of printing them. Safe from any thread.

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/Logger.h"

namespace quorvane::testing {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    // True when some line contains "[level]" and `fragment`.
    bool contains(std::string_view level, std::string_view fragment) const;
    // Number of lines that contain `fragment`.
    std::size_t count(std::string_view fragment) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    Logger::Sink previous_;
};

}  // namespace quorvane::testing
