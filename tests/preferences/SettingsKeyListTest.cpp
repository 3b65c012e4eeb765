#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// Reads the program's sources: every settings key is named once, beside the code that owns it, and every
// read or write of the settings goes through that name. Two spellings of one key drift apart (different
// defaults, different decoding) without any other test noticing.

namespace quorvane {
namespace {

struct ListedKey {
    std::string_view name;
    std::string_view declaredIn;  // relative to src/
};

// Every key the program reads or writes.
constexpr ListedKey kKeys[] = {
    {"MenuBarShowIcon", "preferences/SettingsAccessors.h"},
    {"MenuBarStatusItemHiddenBySystem", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorTextCaptureEnabled", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorImageCaptureEnabled", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorMaxItemSizeInMB", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorTextAutoCleanupPolicy", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorImageAutoCleanupPolicy", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorImageOCREnabled", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorOCRLanguageMode", "preferences/SettingsAccessors.h"},
    {"ClipboardMonitorOCRSpecifiedLanguage", "preferences/SettingsAccessors.h"},
    {"ClipboardSearchPinyinIndexEnabled", "preferences/SettingsAccessors.h"},
    {"DirectPasteReturnKeyAutoPasteEnabled", "preferences/SettingsAccessors.h"},
    {"DirectClipboardPresentationMode", "preferences/SettingsAccessors.h"},
    {"FloatingClipboardListStyle", "preferences/SettingsAccessors.h"},
    {"ClipboardIgnoredAppBundleIdentifiers", "preferences/SettingsAccessors.h"},
    {"ClipboardIgnoredAppBundleIdentifiersDefaultOptOut", "preferences/SettingsAccessors.h"},
    {"ClipboardIgnoredAppBundleIdentifiersDefaultsVersion", "preferences/SettingsAccessors.h"},
    {"ClipboardIgnoredAppBundleIdentifiersDefaultsApplied", "preferences/SettingsAccessors.h"},
    {"DidCompleteOnboarding", "preferences/SettingsAccessors.h"},
    {"DidPresentInitialSettingsWindow", "preferences/SettingsAccessors.h"},
    {"ClipboardHistoryHotkey", "panel/model/ClipboardHotkeySetting.h"},
    {"ClipboardHistoryHotkeyCleared", "panel/model/ClipboardHotkeySetting.h"},
    {"ClipboardPanelPosition", "panel/model/ClipboardPanelPlacement.h"},
    {"ClipboardSplitView", "panel/widgets/ClipboardPanel.h"},
    {"RegisteredHotkeys", "hotkeys/model/HotkeyManager.h"},
    {"AccessibilityPermissionPromptRequested", "system/AccessibilityPermissionManager.h"},
    {"CustomDataDirectory", "system/DataDirectoryManager.h"},
    {"CustomDataDirectoryBookmark", "system/DataDirectoryManager.h"},
    {"AppLanguage", "l10n/AppLanguage.h"},
    {"ClipboardClassificationEnabledSystemClassifications",
     "classification/ClipboardClassificationSettings.h"},
    {"ClipboardClassificationEnabledMainContentTypes", "classification/ClipboardClassificationSettings.h"},
    {"ClipboardClassificationUserRules", "classification/ClipboardClassificationSettings.h"},
    // Followed by ".2", ".3"... for later backups.
    {"ClipboardClassificationUserRules.Backup", "classification/ClipboardClassificationSettings.h"},
    // Followed by the window's name.
    {"WindowFrame ", "ui/WindowManager.cpp"},
};

struct KeyPassedIn {
    std::string_view file;
    std::string_view argument;
};

// Reads and writes whose key arrives as a parameter, a member or a computed name; their callers pass keys of
// the list above.
constexpr KeyPassedIn kKeysPassedIn[] = {
    {"preferences/SettingsAccessors.cpp", "key"},
    {"preferences/ClipboardIgnoredAppsSettings.cpp", "key"},
    {"classification/ClipboardClassificationSettings.cpp", "key"},
    {"classification/ClipboardClassificationSettings.cpp", "backupKey"},
    {"hotkeys/model/HotkeyManager.cpp", "userDefaultsKey_"},
    {"system/AccessibilityPermissionManager.cpp", "permissionPromptRequestedKey_"},
    {"ui/WindowManager.cpp", "frameDefaultsKey"},
    {"ui/WindowManager.cpp", "key"},
};

constexpr std::string_view kSettingsMethods[] = {
    "set",          "object",          "remove",           "contains",  "boolValue",
    "integerValue", "doubleValue",     "stringValue",      "dataValue", "dateValue",
    "arrayValue",   "dictionaryValue", "stringArrayValue",
};

struct StringLiteral {
    std::string text;        // as written between the quotes
    std::size_t position{};  // of the opening quote in the code
};

struct SourceFile {
    std::string path;  // relative to src/
    std::string code;  // comments blanked out, string literals kept
    std::vector<StringLiteral> literals;
};

bool isIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Blanks comments (keeping line breaks) and collects the string literals, raw ones included.
SourceFile parse(std::string path, const std::string& text) {
    SourceFile file{std::move(path), {}, {}};
    std::string& code = file.code;
    code.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, "//") == 0) {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (text.compare(i, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", i + 2);
            const std::size_t stop = end == std::string::npos ? text.size() : end + 2;
            for (; i < stop; ++i) code += text[i] == '\n' ? '\n' : ' ';
        } else if (text[i] == 'R' && i + 1 < text.size() && text[i + 1] == '"' &&
                   (i == 0 || !isIdentifierChar(text[i - 1]))) {
            const std::size_t open = text.find('(', i + 2);
            const std::string closing = ")" + text.substr(i + 2, open - i - 2) + "\"";
            const std::size_t end = text.find(closing, open);
            const std::size_t stop = end == std::string::npos ? text.size() : end + closing.size();
            file.literals.push_back({text.substr(open + 1, end - open - 1), code.size()});
            code.append(text, i, stop - i);
            i = stop;
        } else if (text[i] == '"' || (text[i] == '\'' && (i == 0 || !isIdentifierChar(text[i - 1])))) {
            const char quote = text[i];
            std::size_t end = i + 1;
            while (end < text.size() && text[end] != quote) end += text[end] == '\\' ? 2 : 1;
            end = std::min(end, text.size() - 1);
            if (quote == '"') file.literals.push_back({text.substr(i + 1, end - i - 1), code.size()});
            code.append(text, i, end + 1 - i);
            i = end + 1;
        } else {
            code += text[i++];
        }
    }
    return file;
}

std::vector<SourceFile> programSources() {
    const std::filesystem::path root = QUORVANE_SOURCE_DIR;
    std::vector<SourceFile> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() ||
            (extension != ".h" && extension != ".cpp" && extension != ".inc" && extension != ".in")) {
            continue;
        }
        std::ifstream stream(entry.path(), std::ios::binary);
        std::stringstream text;
        text << stream.rdbuf();
        files.push_back(parse(entry.path().lexically_relative(root).generic_string(), text.str()));
    }
    return files;
}

std::size_t skipSpaceBackwards(const std::string& code, std::size_t end) {
    while (end > 0 && std::isspace(static_cast<unsigned char>(code[end - 1]))) --end;
    return end;
}

struct NamedConstant {
    std::string value;
    std::string file;
};

// `name = "value"` and `name[] = "value"`, over line breaks too.
std::multimap<std::string, NamedConstant> namedStringConstants(const std::vector<SourceFile>& files) {
    std::multimap<std::string, NamedConstant> constants;
    for (const SourceFile& file : files) {
        for (const StringLiteral& literal : file.literals) {
            std::size_t end = skipSpaceBackwards(file.code, literal.position);
            if (end == 0 || file.code[end - 1] != '=') continue;
            end = skipSpaceBackwards(file.code, end - 1);
            if (end >= 2 && file.code.compare(end - 2, 2, "[]") == 0)
                end = skipSpaceBackwards(file.code, end - 2);
            std::size_t begin = end;
            while (begin > 0 && isIdentifierChar(file.code[begin - 1])) --begin;
            if (begin == end) continue;
            constants.insert({file.code.substr(begin, end - begin), {literal.text, file.path}});
        }
    }
    return constants;
}

std::string stem(const std::string& path) {
    return path.substr(0, path.rfind('.'));
}

struct SettingsCall {
    std::string file;
    std::string method;
    std::string argument;  // the key expression up to its first ',', '(' or ')'
};

// Calls of the settings' readers and writers on anything named like the settings object
// (userDefaults, defaults_, dependencies_.userDefaults...).
std::vector<SettingsCall> settingsCalls(const std::vector<SourceFile>& files) {
    std::vector<SettingsCall> calls;
    for (const SourceFile& file : files) {
        const std::string& code = file.code;
        for (const std::string_view method : kSettingsMethods) {
            for (std::size_t at = code.find(method); at != std::string::npos;
                 at = code.find(method, at + 1)) {
                const std::size_t afterName = at + method.size();
                if ((at > 0 && isIdentifierChar(code[at - 1])) || afterName >= code.size() ||
                    code[afterName] != '(') {
                    continue;
                }
                std::size_t end = skipSpaceBackwards(code, at);
                if (end >= 1 && code[end - 1] == '.') {
                    end -= 1;
                } else if (end >= 2 && code.compare(end - 2, 2, "->") == 0) {
                    end -= 2;
                } else {
                    continue;
                }
                end = skipSpaceBackwards(code, end);
                std::size_t begin = end;
                while (begin > 0 && isIdentifierChar(code[begin - 1])) --begin;
                const std::string receiver = code.substr(begin, end - begin);
                if (receiver.find("efaults") == std::string::npos) continue;
                const std::size_t argumentEnd = code.find_first_of(",()", afterName + 1);
                std::string argument = code.substr(afterName + 1, argumentEnd - afterName - 1);
                argument.erase(0, argument.find_first_not_of(" \t\n"));
                argument.erase(argument.find_last_not_of(" \t\n") + 1);
                calls.push_back({file.path, std::string(method), argument});
            }
        }
    }
    return calls;
}

// The key a call's argument names, when it names one: a qualified name must be unique across src/, an
// unqualified one is looked for in the file and its header or source partner.
struct Resolution {
    std::set<std::string> values;
    bool literal = false;
};

Resolution resolve(const SettingsCall& call, const std::multimap<std::string, NamedConstant>& constants) {
    Resolution resolution;
    if (call.argument.size() >= 2 && call.argument.front() == '"') {
        resolution.literal = true;
        resolution.values.insert(call.argument.substr(1, call.argument.size() - 2));
        return resolution;
    }
    const std::size_t separator = call.argument.rfind("::");
    const bool qualified = separator != std::string::npos;
    const std::string name = qualified ? call.argument.substr(separator + 2) : call.argument;
    const auto [first, last] = constants.equal_range(name);
    for (auto it = first; it != last; ++it) {
        if (qualified || stem(it->second.file) == stem(call.file)) resolution.values.insert(it->second.value);
    }
    return resolution;
}

class SettingsKeyListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { files_ = new std::vector<SourceFile>(programSources()); }
    static void TearDownTestSuite() {
        delete files_;
        files_ = nullptr;
    }
    static const std::vector<SourceFile>& files() { return *files_; }

private:
    static inline std::vector<SourceFile>* files_ = nullptr;
};

TEST_F(SettingsKeyListTest, EveryKeyReadOrWrittenIsListedAndNamedOnce) {
    const auto constants = namedStringConstants(files());
    const auto calls = settingsCalls(files());
    // The scan itself works: the settings are read and written in many places.
    ASSERT_GT(calls.size(), 40u);

    std::set<std::string> listed;
    for (const ListedKey& key : kKeys) listed.insert(std::string(key.name));
    std::set<std::pair<std::string, std::string>> passedInSeen;
    std::set<std::string> keysSeen;
    for (const SettingsCall& call : calls) {
        const Resolution resolution = resolve(call, constants);
        const std::string where = call.file + ": " + call.method + "(" + call.argument + ", ...)";
        EXPECT_FALSE(resolution.literal) << where << " spells its key out; use the key's one declared name";
        EXPECT_LE(resolution.values.size(), 1u) << where << " names more than one key";
        if (resolution.values.empty()) {
            const bool known = std::any_of(
                std::begin(kKeysPassedIn), std::end(kKeysPassedIn), [&](const KeyPassedIn& passed) {
                    return passed.file == call.file && passed.argument == call.argument;
                });
            EXPECT_TRUE(known) << where
                               << " takes a key this test cannot see; list the keys it is given in kKeys "
                               << "and the call in kKeysPassedIn";
            passedInSeen.insert({call.file, call.argument});
            continue;
        }
        for (const std::string& value : resolution.values) {
            EXPECT_TRUE(listed.contains(value))
                << where << " uses the key \"" << value << "\", missing from kKeys";
            keysSeen.insert(value);
        }
    }
    for (const KeyPassedIn& passed : kKeysPassedIn) {
        EXPECT_TRUE(passedInSeen.contains({std::string(passed.file), std::string(passed.argument)}))
            << passed.file << " no longer reads or writes a key through " << passed.argument
            << "; remove it from kKeysPassedIn";
    }
    // Most keys are read where they are named; the list does not hold them by mistake.
    EXPECT_GT(keysSeen.size(), 20u);
}

TEST_F(SettingsKeyListTest, EachListedKeyIsDeclaredOnceBesideItsOwner) {
    for (const ListedKey& key : kKeys) {
        std::vector<std::string> declaredIn;
        for (const SourceFile& file : files()) {
            for (const StringLiteral& literal : file.literals) {
                if (literal.text == key.name) declaredIn.push_back(file.path);
            }
        }
        ASSERT_FALSE(declaredIn.empty())
            << "\"" << key.name << "\" is named nowhere in src/; remove it from kKeys";
        EXPECT_EQ(declaredIn.size(), 1u)
            << "\"" << key.name << "\" is spelled out " << declaredIn.size() << " times, first in "
            << declaredIn.front() << " and " << declaredIn.back();
        EXPECT_NE(std::find(declaredIn.begin(), declaredIn.end(), key.declaredIn), declaredIn.end())
            << "\"" << key.name << "\" is no longer declared in " << key.declaredIn;
    }
}

// The scanner sees through the ways keys are written in this code base.
TEST(SettingsKeyScannerTest, FindsKeysAcrossLineBreaksCommentsAndRawStrings) {
    const std::vector<SourceFile> files = {
        parse("a/Owner.h",
              "// \"CommentedOut\" = no key\n"
              "static constexpr const char* kRulesKey =\n    \"Rules\";\n"
              "inline constexpr char key[] = \"Shortcut\";\n"
              "auto pattern = R\"(\"quoted\" // not a comment)\";\n"
              "int x = 1'000; const char* tail = \"Tail\";\n"),
        parse("a/Owner.cpp",
              "void f(UserDefaults& userDefaults) {\n"
              "    userDefaults.set(kRulesKey, 1);\n"
              "    dependencies_.userDefaults -> remove( key );\n"
              "    defaults_.stringValue(\"Literal\");\n"
              "    json.contains(\"NotSettings\");\n"
              "    userDefaults.object(Other::kRulesKey);\n"
              "}\n"),
        parse("b/Else.cpp", "void g(UserDefaults& defaults) { defaults.boolValue(key); }\n"),
    };
    const auto constants = namedStringConstants(files);
    EXPECT_EQ(constants.count("kRulesKey"), 1u);
    EXPECT_EQ(constants.count("key"), 1u);
    EXPECT_EQ(constants.count("tail"), 1u);
    EXPECT_EQ(constants.count("CommentedOut"), 0u);
    ASSERT_EQ(files[0].literals.size(), 4u);
    EXPECT_EQ(files[0].literals[2].text, "\"quoted\" // not a comment");

    const auto calls = settingsCalls(files);
    ASSERT_EQ(calls.size(), 5u);
    std::vector<std::string> resolved;
    for (const SettingsCall& call : calls) {
        const Resolution resolution = resolve(call, constants);
        std::string text = call.file + ":" + call.method + ":";
        for (const std::string& value : resolution.values) text += value;
        if (resolution.literal) text += "!";
        resolved.push_back(text);
    }
    std::sort(resolved.begin(), resolved.end());
    EXPECT_EQ(resolved, (std::vector<std::string>{"a/Owner.cpp:object:Rules", "a/Owner.cpp:remove:Shortcut",
                                                  "a/Owner.cpp:set:Rules", "a/Owner.cpp:stringValue:Literal!",
                                                  "b/Else.cpp:boolValue:"}));
}

}  // namespace
}  // namespace quorvane
