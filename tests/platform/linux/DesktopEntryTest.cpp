#include <gtest/gtest.h>

#include "platform/linux/DesktopEntry.h"

namespace quorvane {
namespace {

TEST(DesktopEntryTest, ReadsTheMainGroupWithTranslationsAndEscapes) {
    const auto entry = DesktopEntry::parse(
        "\xEF\xBB\xBF# comment\r\n"
        "\n"
        "[Desktop Entry]\r\n"
        "Type = Application\n"
        "Name=KeePassXC\n"
        "Name[de]=KeePassXC Passwörter\n"
        "Name[sr@latin]=KiPas\n"
        "  Comment=Line\\none\\sand\\ttab\\\\ \\q\n"
        "Exec=keepassxc %f\n"
        "NoDisplay=True\n"
        "Hidden=true\n"
        "Name=Second value is ignored\n"
        "[Desktop Action New]\n"
        "Name=New Database\n");
    EXPECT_EQ(entry.value("Type"), "Application");
    EXPECT_EQ(entry.value("Name"), "KeePassXC");
    EXPECT_EQ(entry.value("Comment"), "Line\none and\ttab\\ \\q");
    EXPECT_EQ(entry.localizedValues("Name"),
              (std::map<std::string, std::string>{{"de", "KeePassXC Passwörter"}, {"sr@latin", "KiPas"}}));
    EXPECT_TRUE(entry.localizedValues("Comment").empty());
    EXPECT_FALSE(entry.isTrue("NoDisplay"));  // only the exact word counts
    EXPECT_TRUE(entry.isTrue("Hidden"));
    EXPECT_FALSE(entry.value("Icon"));
}

TEST(DesktopEntryTest, RefusesMalformedFilesWithTheReason) {
    const std::pair<std::string, std::string> malformed[] = {
        {"Name=x\n[Desktop Entry]\n", "key before the first group"},
        {"[Desktop Entry]\nName=x\njust words\n", "line 3"},
        {"[Desktop Entry\nName=x\n", "malformed group header"},
        {"[Desktop Entry]\n=value\n", "invalid key"},
        {"[Desktop Entry]\nName[=x\n", "invalid key"},
        {"[Desktop Entry]\nName[]=x\n", "invalid key"},
        {"[Desktop Entry]\nNa me=x\n", "invalid key"},
        {"[Desktop Action x]\nName=x\n", "no [Desktop Entry] group"},
        {"", "no [Desktop Entry] group"},
        {"[Desktop Entry]\nName=\xC3\x28\n", "not valid UTF-8"},
        {std::string("[Desktop Entry]\nName=a\0b\n", 23), "NUL"},
    };
    for (const auto& [contents, reason] : malformed) {
        try {
            DesktopEntry::parse(contents);
            ADD_FAILURE() << "accepted: " << contents;
        } catch (const DesktopEntryError& error) {
            EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
        }
    }
}

TEST(DesktopEntryTest, HostileInputFinishes) {
    std::string huge = "[Desktop Entry]\nName=";
    huge.append(1 << 20, '\\');
    huge += "\n";
    for (int i = 0; i < 100'000; ++i) huge += "X-Key" + std::to_string(i) + "=v\n";
    const auto entry = DesktopEntry::parse(huge);
    EXPECT_EQ(entry.value("Name")->size(), std::size_t{1} << 19);
    EXPECT_EQ(entry.values.size(), 100'001u);

    std::string brackets(1 << 20, '[');
    EXPECT_THROW(DesktopEntry::parse(brackets), DesktopEntryError);
}

}  // namespace
}  // namespace quorvane
