#include "base/Logger.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace quorvane {
namespace {

void writeToStandardError(const std::string& line) {
    // One write per line keeps lines from different threads whole.
    std::string withNewline = line + '\n';
    std::fwrite(withNewline.data(), 1, withNewline.size(), stderr);
}

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

Logger::Sink& currentSink() {
    static Logger::Sink sink = writeToStandardError;
    return sink;
}

}  // namespace

void Logger::info(std::string_view message, std::optional<std::string_view> category) {
    log(message, category, "INFO");
}

void Logger::warning(std::string_view message, std::optional<std::string_view> category) {
    log(message, category, "WARNING");
}

void Logger::error(std::string_view message, std::optional<std::string_view> category) {
    log(message, category, "ERROR");
}

void Logger::debug(std::string_view message, std::optional<std::string_view> category) {
    if constexpr (debugLinesEnabled) log(message, category, "DEBUG");
}

std::string Logger::formatLine(double secondsSince1970, std::string_view level,
                               std::optional<std::string_view> category, std::string_view message) {
    const auto microseconds = static_cast<std::int64_t>(std::llround(secondsSince1970 * 1e6));
    // Floor division, so times before 1970 keep their milliseconds in 0...999.
    const std::int64_t milliseconds = microseconds / 1000 - (microseconds % 1000 < 0 ? 1 : 0);
    return formatLine(milliseconds, level, category, message);
}

std::string Logger::formatLine(std::int64_t millisecondsSince1970, std::string_view level,
                               std::optional<std::string_view> category, std::string_view message) {
    std::int64_t wholeSeconds = millisecondsSince1970 / 1000;
    int millis = static_cast<int>(millisecondsSince1970 % 1000);
    if (millis < 0) {
        millis += 1000;
        --wholeSeconds;
    }
    const auto seconds = static_cast<std::time_t>(wholeSeconds);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis);

    std::string line;
    line.reserve(48 + message.size());
    line += stamp;
    line += " [";
    line += level;
    line += "] [";
    line += category.value_or("Logger");
    line += "] ";
    line += message;
    return line;
}

void Logger::log(std::string_view message, std::optional<std::string_view> category, std::string_view level) {
    using namespace std::chrono;
    const std::int64_t now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::string line = formatLine(now, level, category, message);
    std::lock_guard lock(sinkMutex());
    currentSink()(line);
}

Logger::Sink Logger::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(currentSink());
    currentSink() = sink ? std::move(sink) : Sink(writeToStandardError);
    return previous;
}

}  // namespace quorvane
