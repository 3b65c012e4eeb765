#include "support/LogCapture.h"

namespace quorvane::testing {

LogCapture::LogCapture() {
    previous_ = Logger::setSink([this](const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    });
}

LogCapture::~LogCapture() {
    Logger::setSink(std::move(previous_));
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(std::string_view level, std::string_view fragment) const {
    const std::string tag = "[" + std::string(level) + "]";
    std::lock_guard lock(mutex_);
    for (const auto& line : lines_) {
        if (line.find(tag) != std::string::npos && line.find(fragment) != std::string::npos) return true;
    }
    return false;
}

std::size_t LogCapture::count(std::string_view fragment) const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& line : lines_) n += line.find(fragment) != std::string::npos;
    return n;
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

}  // namespace quorvane::testing
