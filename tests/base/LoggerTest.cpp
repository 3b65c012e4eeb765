#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <regex>

#include "base/Logger.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

class LoggerTest : public ::testing::Test {
protected:
    // Pin the time zone so the formatted timestamps are predictable.
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) savedTz_ = tz, hadTz_ = true;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (hadTz_) {
            ::setenv("TZ", savedTz_.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::string savedTz_;
    bool hadTz_ = false;
};

TEST_F(LoggerTest, FormatsTimestampLevelCategoryAndMessage) {
    // 2024-03-05 14:07:09.042 UTC
    EXPECT_EQ(Logger::formatLine(1709647629.042, "INFO", "AppDelegate", "Application did finish launching"),
              "2024-03-05 14:07:09.042 [INFO] [AppDelegate] Application did finish launching");
    EXPECT_EQ(Logger::formatLine(1709647629.9999, "ERROR", std::nullopt, "x"),
              "2024-03-05 14:07:09.999 [ERROR] [Logger] x");
    EXPECT_EQ(Logger::formatLine(1709647629.0, "WARNING", "", "m"), "2024-03-05 14:07:09.000 [WARNING] [] m");
}

TEST_F(LoggerTest, MillisecondsAreNeverOneShort) {
    // 1709647629.043 is held as 1709647629.04299998...: the stamp must still say ".043".
    EXPECT_EQ(Logger::formatLine(1709647629.043, "INFO", "C", "m"), "2024-03-05 14:07:09.043 [INFO] [C] m");
    for (std::int64_t millis = 0; millis < 1000; ++millis) {
        char expected[8];
        std::snprintf(expected, sizeof expected, ".%03d ", static_cast<int>(millis));
        const std::int64_t ticks = 1709647629000 + millis;
        EXPECT_NE(Logger::formatLine(ticks, "INFO", "C", "m").find(expected), std::string::npos) << millis;
        EXPECT_NE(Logger::formatLine(static_cast<double>(ticks) / 1000.0, "INFO", "C", "m").find(expected),
                  std::string::npos)
            << millis;
    }
    EXPECT_EQ(Logger::formatLine(std::int64_t{-1}, "INFO", "C", "m"), "1969-12-31 23:59:59.999 [INFO] [C] m");
}

TEST_F(LoggerTest, WritesEachLevelThroughTheSinkAndNeverExpandsPercentSigns) {
    testing::LogCapture capture;
    Logger::info("100% done %s %@ %n", "ClipboardSearch");
    Logger::warning("w");
    Logger::error("e", "SQLiteSearch");

    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 3u);
    const std::regex shape(
        R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[INFO\] \[ClipboardSearch\] 100% done %s %@ %n$)");
    EXPECT_TRUE(std::regex_match(lines[0], shape)) << lines[0];
    EXPECT_NE(lines[1].find(" [WARNING] [Logger] w"), std::string::npos);
    EXPECT_NE(lines[2].find(" [ERROR] [SQLiteSearch] e"), std::string::npos);
}

TEST_F(LoggerTest, DebugLinesAppearOnlyInDebugBuilds) {
    testing::LogCapture capture;
    Logger::debug("copied text: secret", "ClipboardMonitor");
    EXPECT_EQ(capture.count("secret"), Logger::debugLinesEnabled ? 1u : 0u);
}

}  // namespace
}  // namespace quorvane
