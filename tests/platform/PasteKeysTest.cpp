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
        EXPECT_TRUE(method.isKnownProgram()) << instance;
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

TEST(PasteKeysTest, EditorsWhoseCtrlVIsNotPasteGetShiftInsertReadingTheirOwnSelection) {
    // gvim's Shift+Insert puts the primary selection, emacs's yanks the clipboard.
    for (const auto& [instance, className] : {std::pair{"gvim", "Gvim"}, {"vim", "Gvim"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_EQ(method.keystroke, PasteKeystroke::shiftInsert) << instance;
        EXPECT_TRUE(method.needsPrimarySelection()) << instance;
        EXPECT_EQ(method.program, "gvim");
        EXPECT_FALSE(method.isTerminal()) << instance;
    }
    // emacs started under another name keeps its class.
    for (const auto& [instance, className] : {std::pair{"emacs", "Emacs"}, {"emacs-gtk", "Emacs"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_EQ(method.keystroke, PasteKeystroke::shiftInsert) << instance;
        EXPECT_FALSE(method.needsPrimarySelection()) << instance;
        EXPECT_EQ(method.program, "emacs");
        EXPECT_FALSE(method.isTerminal()) << instance;
    }
    // A terminal named after the editor it runs still pastes the terminal's way.
    for (const auto& [instance, className] : {std::pair{"emacs", "XTerm"}, {"gvim", "kitty"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_TRUE(method.isTerminal()) << className;
        EXPECT_NE(method.program, instance) << className;
    }
    EXPECT_TRUE(methodFor("emacs", "XTerm").needsPrimarySelection());
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
                                              {"navigator", "firefox"},
                                              {"gvimdiff-notes", "Notes"},
                                              {"xemacsish", "Editor"}}) {
        const auto method = methodFor(instance, className);
        EXPECT_EQ(method.keystroke, PasteKeystroke::controlV) << instance;
        EXPECT_FALSE(method.isTerminal()) << instance;
        EXPECT_FALSE(method.isKnownProgram()) << instance << ": Ctrl+V is a guess there";
        EXPECT_FALSE(method.needsPrimarySelection()) << instance;
    }
    EXPECT_EQ(pasteMethodFor(std::nullopt).keystroke, PasteKeystroke::controlV) << "class unreadable";
    EXPECT_FALSE(pasteMethodFor(std::nullopt).isKnownProgram());
}

}  // namespace
}  // namespace quorvane
