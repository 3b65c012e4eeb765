#pragma once

// The one log sink of the system: one line per event, "<timestamp> [<LEVEL>] [<category>] <message>".
// Safe from any thread. DEBUG lines may carry clipboard and search text, so they are written in debug builds
// only.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class Logger {
public:
    Logger() = delete;

    // Receives each finished line, without a trailing newline.
    using Sink = std::function<void(const std::string& line)>;

#ifdef NDEBUG
    static constexpr bool debugLinesEnabled = false;
#else
    static constexpr bool debugLinesEnabled = true;
#endif

    static void info(std::string_view message, std::optional<std::string_view> category = std::nullopt);
    static void warning(std::string_view message, std::optional<std::string_view> category = std::nullopt);
    static void error(std::string_view message, std::optional<std::string_view> category = std::nullopt);
    static void debug(std::string_view message, std::optional<std::string_view> category = std::nullopt);

    // Writes one line at `level`; an absent category is written as "Logger", an empty one stays empty.
    static void log(std::string_view message, std::optional<std::string_view> category,
                    std::string_view level);

    // Formats one line at the given time (whole milliseconds since 1970) in the local time zone.
    static std::string formatLine(std::int64_t millisecondsSince1970, std::string_view level,
                                  std::optional<std::string_view> category, std::string_view message);
    // The same for a time in seconds, taken to the nearest microsecond first so that a value such as
    // 0.043, which a double holds as 0.04299..., still shows ".043".
    static std::string formatLine(double secondsSince1970, std::string_view level,
                                  std::optional<std::string_view> category, std::string_view message);

    // Replaces the sink (standard error by default) and returns the previous one. For tests.
    static Sink setSink(Sink sink);
};

}  // namespace quorvane
