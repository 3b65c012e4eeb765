#include <gtest/gtest.h>

#include "platform/PasteKeys.h"

namespace quorvane {
namespace {

PasteMethod methodFor(const std::string& instance, const std::string& className) {
    return pasteMethodFor(WindowClass{instance, className});
}

TEST(PasteKeysTest, TerminalsGetTheirOwnPasteKeyWhateverTheCaseOfTheirClass) {
    // xterm and urxvt paste the primary selection with Shift+Insert.
    for (const auto& [instance, className] : {std::pair{"xterm", "XTerm"},
                                              {"uxterm", "UXTerm"},
                                              {"urxvt", "URxvt"},
                                              {"urxvt-256color", "URxvt-256color"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_EQ(method.keystroke, PasteKeystroke::shiftInsert) << instance;
        EXPECT_TRUE(method.needsPrimarySelection()) << instance;
        EXPECT_TRUE(method.isTerminal()) << instance;
    }
    for (const auto& [instance, className] : {std::pair{"gnome-terminal-server", "Gnome-terminal"},
                                              {"konsole", "konsole"},
                                              {"xfce4-terminal", "Xfce4-terminal"},
                                              {"mate-terminal", "Mate-terminal"},
                                              {"lxterminal", "Lxterminal"},
                                              {"qterminal", "qterminal"},
                                              {"tilix", "Tilix"},
                                              {"terminator", "Terminator"},
                                              {"Alacritty", "Alacritty"},
                                              {"kitty", "kitty"},
                                              {"org.wezfurlong.wezterm", "org.wezfurlong.wezterm"},
                                              {"foot", "foot"},
                                              {"st-256color", "st-256color"},
                                              {"st", "St"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_EQ(method.keystroke, PasteKeystroke::controlShiftV) << instance;
        EXPECT_FALSE(method.needsPrimarySelection()) << instance;
        EXPECT_TRUE(method.isTerminal()) << instance;
    }
}

TEST(PasteKeysTest, UnknownTerminalsGetNoKeyAndOtherWindowsCtrlV) {
    // Named like a terminal, but its paste key is not known.
    for (const auto& [instance, className] : {std::pair{"Eterm", "Eterm"},
                                              {"cathode-terminal", "Cathode-terminal"},
                                              {"fancyterm", "FancyTerm"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_EQ(method.keystroke, std::nullopt) << instance;
        EXPECT_TRUE(method.isTerminal()) << instance;
    }
    for (const auto& [instance, className] : {std::pair{"gedit", "Gedit"},
                                              {"CaretTestWindow", "CaretTestWindow"},
                                              {"", ""},
                                              {"stellarium", "Stellarium"},
                                              {"term", "Term"},
                                              {"navigator", "firefox"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_EQ(method.keystroke, PasteKeystroke::controlV) << instance;
        EXPECT_FALSE(method.isTerminal()) << instance;
    }
    EXPECT_EQ(pasteMethodFor(std::nullopt).keystroke, PasteKeystroke::controlV) << "class unreadable";
}

}  // namespace
}  // namespace quorvane
