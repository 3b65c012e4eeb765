#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "platform/linux/JsonFileUserDefaults.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

DefaultsValue::Dictionary sampleDictionary() {
    return {{"name", "Quorvane"}, {"nested", DefaultsValue::Array{1, 2.5, true, Date(12.5)}}};
}

TEST(UserDefaultsTest, TypedReadersTellMissingFromWrongType) {
    InMemoryUserDefaults defaults;
    defaults.set("ClipboardMonitorMaxItemSizeInMB", "ten");
    EXPECT_TRUE(defaults.contains("ClipboardMonitorMaxItemSizeInMB"));
    EXPECT_FALSE(defaults.integerValue("ClipboardMonitorMaxItemSizeInMB"));
    EXPECT_EQ(defaults.stringValue("ClipboardMonitorMaxItemSizeInMB"), "ten");
    EXPECT_FALSE(defaults.contains("Missing"));

    defaults.set("n", 3);
    EXPECT_EQ(defaults.integerValue("n"), 3);
    EXPECT_FALSE(defaults.doubleValue("n"));
    EXPECT_EQ(defaults.object("n")->numberValue(), 3.0);
    EXPECT_FALSE(defaults.boolValue("n"));

    defaults.set("list", DefaultsValue::Array{"a", "b"});
    EXPECT_EQ(defaults.stringArrayValue("list"), (std::vector<std::string>{"a", "b"}));
    defaults.set("mixed", DefaultsValue::Array{"a", 1});
    EXPECT_FALSE(defaults.stringArrayValue("mixed"));
    EXPECT_TRUE(defaults.arrayValue("mixed"));
}

TEST(UserDefaultsTest, ChangeCallbacksSeeTheNewValue) {
    InMemoryUserDefaults defaults;
    std::vector<std::string> seen;
    auto subscription = defaults.observeChanges([&](const std::string& key) {
        seen.push_back(key + "=" + (defaults.contains(key) ? "set" : "gone"));
    });
    defaults.set("a", true);
    defaults.remove("a");
    defaults.remove("never-there");
    subscription.reset();
    defaults.set("b", 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"a=set", "a=gone"}));
}

TEST(JsonFileUserDefaultsTest, EveryKindSurvivesAReopenInAPrivateFile) {
    testing::TemporaryDirectory directory;
    const auto path = directory / "config" / "Quorvane" / "settings.json";
    {
        JsonFileUserDefaults defaults(path);
        defaults.set("bool", false);
        defaults.set("int", std::int64_t{1} << 40);
        defaults.set("double", 0.25);
        defaults.set("string", "\xE5\x89\xAA\xE8\xB4\xB4\xE6\x9D\xBF \"quoted\"");
        defaults.set("data", Data{0, 1, 255});
        defaults.set("emptyData", Data{});
        defaults.set("date", Date(1700000000.5));
        defaults.set("dictionary", sampleDictionary());
    }
    JsonFileUserDefaults reopened(path);
    EXPECT_EQ(reopened.boolValue("bool"), false);
    EXPECT_EQ(reopened.integerValue("int"), std::int64_t{1} << 40);
    EXPECT_EQ(reopened.doubleValue("double"), 0.25);
    EXPECT_EQ(reopened.stringValue("string"), "\xE5\x89\xAA\xE8\xB4\xB4\xE6\x9D\xBF \"quoted\"");
    EXPECT_EQ(reopened.dataValue("data"), (Data{0, 1, 255}));
    EXPECT_EQ(reopened.dataValue("emptyData"), Data{});
    EXPECT_EQ(reopened.dateValue("date"), Date(1700000000.5));
    EXPECT_EQ(reopened.dictionaryValue("dictionary"), sampleDictionary());

    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(path.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()), {}), 1);
}

TEST(JsonFileUserDefaultsTest, AnInvalidFileIsKeptAsideAndDefaultsApply) {
    testing::TemporaryDirectory directory;
    const auto path = directory / "settings.json";
    std::ofstream(path) << R"({"AppLanguage": "zh-Hans", "trunc)";
    testing::LogCapture logs;
    JsonFileUserDefaults defaults(path);
    EXPECT_TRUE(logs.contains("ERROR", "Failed to read settings file"));
    EXPECT_TRUE(defaults.keys().empty());
    defaults.set("AppLanguage", "en");
    EXPECT_EQ(readFile(directory / "settings.json.corrupt"), R"({"AppLanguage": "zh-Hans", "trunc)");
}

TEST(JsonFileUserDefaultsTest, AFifoADeviceLinkOrAHugeFileIsSetAsideUnreadAndDefaultsApply) {
    testing::TemporaryDirectory directory;
    const auto path = directory / "settings.json";
    const auto startsWithDefaults = [&](const char* what) {
        testing::LogCapture logs;
        // A FIFO nobody writes to would block a plain open; /dev/zero never ends.
        JsonFileUserDefaults defaults(path);
        EXPECT_TRUE(logs.contains("WARNING", "set aside")) << what;
        EXPECT_TRUE(defaults.keys().empty()) << what;
        // Moved out of the way: the next change writes a real file in its place.
        defaults.set("AppLanguage", "en");
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path))) << what;
        EXPECT_EQ(JsonFileUserDefaults(path).stringValue("AppLanguage"), std::optional<std::string>("en"))
            << what;
        std::filesystem::remove(directory / "settings.json.corrupt");
        std::filesystem::remove(path);
    };

    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    startsWithDefaults("FIFO");
    std::filesystem::create_symlink("/dev/zero", path);
    startsWithDefaults("link to /dev/zero");
    {
        // 100 MB that begins like a settings file; sparse, so the test writes next to nothing.
        std::ofstream(path) << R"({"AppLanguage": "zh-Hans"})";
        std::filesystem::resize_file(path, 100 * 1024 * 1024);
    }
    startsWithDefaults("100 MB file");

    // A link to a real settings file (a dotfile manager's) is read as the file.
    const auto real = directory / "dotfiles-settings.json";
    std::ofstream(real) << R"({"AppLanguage": "zh-Hans"})";
    std::filesystem::create_symlink(real, path);
    EXPECT_EQ(JsonFileUserDefaults(path).stringValue("AppLanguage"), std::optional<std::string>("zh-Hans"));
}

TEST(JsonFileUserDefaultsTest, AWriterKilledMidWriteNeverLeavesATornFile) {
    testing::TemporaryDirectory directory;
    const auto path = directory / "settings.json";
    {
        JsonFileUserDefaults seed(path);
        seed.set("seed", true);
    }
    for (int round = 0; round < 10; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            JsonFileUserDefaults defaults(path);
            for (int i = 0;; ++i) defaults.set("payload", std::string(200000 + i, 'a' + i % 26));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3 + round * 2));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const auto json = nlohmann::json::parse(readFile(path), nullptr, false);
        ASSERT_FALSE(json.is_discarded()) << "torn after round " << round;
        EXPECT_EQ(json.value("seed", false), true);
    }
}

}  // namespace
}  // namespace quorvane
