#include <gtest/gtest.h>

#include "floating/model/FloatingPanelKeyMap.h"

namespace quorvane {
namespace {

using Map = FloatingPanelKeyMap;
using Command = FloatingPanelKeyCommand;

FloatingPanelKeyPress key(std::uint16_t code) {
    FloatingPanelKeyPress press;
    press.keyCode = code;
    return press;
}
FloatingPanelKeyPress ctrl(std::uint16_t code) {
    auto press = key(code);
    press.command = true;
    return press;
}
FloatingPanelKeyPress super(std::uint16_t code) {
    auto press = key(code);
    press.control = true;
    return press;
}

TEST(FloatingPanelKeyMapTest, NavigationConfirmAndEscape) {
    EXPECT_EQ(Map::command(key(Map::keyEscape)), Command::cancelFilterOrHide);
    EXPECT_EQ(Map::command(ctrl(Map::keyEscape)), Command::cancelFilterOrHide);
    EXPECT_EQ(Map::command(key(Map::keyTab)), Command::acceptFilterOrCompletion);
    EXPECT_EQ(Map::command(key(Map::keyUp)), Command::moveUp);
    EXPECT_EQ(Map::command(ctrl(Map::keyDown)), Command::moveDown) << "Ctrl+Down moves like Down";
    EXPECT_EQ(Map::command(super(Map::keyN)), Command::moveDown);
    EXPECT_EQ(Map::command(key(Map::keyReturn)), Command::confirm);
    EXPECT_EQ(Map::command(super(Map::keyReturn)), Command::confirm);
    EXPECT_EQ(Map::command(ctrl(Map::keyReturn)), Command::confirmAsPlainText);
    EXPECT_EQ(Map::command(key(Map::keyN)), Command::passOn) << "plain letters are typing";
    EXPECT_EQ(Map::command(key(Map::keyDelete)), Command::passOn) << "Backspace edits the search";
}

TEST(FloatingPanelKeyMapTest, ReturnRepeatsAndComposingInputAreNotConfirmed) {
    auto repeat = key(Map::keyReturn);
    repeat.isAutoRepeat = true;
    EXPECT_EQ(Map::command(repeat), Command::ignore);
    auto composing = key(Map::keyReturn);
    composing.isComposing = true;
    composing.isAutoRepeat = true;
    EXPECT_EQ(Map::command(composing), Command::passOn) << "the input method gets its Return";
}

TEST(FloatingPanelKeyMapTest, ClipboardKeysDependOnTheSearchField) {
    EXPECT_EQ(Map::command(ctrl(Map::keyV)), Command::pasteIntoSearchField);
    EXPECT_EQ(Map::command(ctrl(Map::keyA)), Command::selectAllInSearchField);
    EXPECT_EQ(Map::command(ctrl(Map::keyC)), Command::copySelection);
    auto selected = ctrl(Map::keyC);
    selected.fieldHasSelection = true;
    EXPECT_EQ(Map::command(selected), Command::copySearchFieldSelection);

    auto unfocused = ctrl(Map::keyV);
    unfocused.fieldIsEditing = false;
    EXPECT_EQ(Map::command(unfocused), Command::passOn);
    unfocused.keyCode = Map::keyA;
    EXPECT_EQ(Map::command(unfocused), Command::passOn);
    unfocused.keyCode = Map::keyC;
    unfocused.fieldHasSelection = true;
    EXPECT_EQ(Map::command(unfocused), Command::copySelection)
        << "a selection outside editing does not count";
}

TEST(FloatingPanelKeyMapTest, CtrlShortcutsAndTheSuperCtrlPConflict) {
    EXPECT_EQ(Map::command(ctrl(Map::keyS)), Command::save);
    EXPECT_EQ(Map::command(ctrl(Map::keyF)), Command::toggleFormatting);
    EXPECT_EQ(Map::command(ctrl(Map::keyH)), Command::hide);
    EXPECT_EQ(Map::command(ctrl(Map::keyW)), Command::hide);
    EXPECT_EQ(Map::command(ctrl(Map::keyO)), Command::openWithDefaultApp);
    EXPECT_EQ(Map::command(ctrl(Map::keyP)), Command::pin);
    EXPECT_EQ(Map::command(ctrl(Map::keyK)), Command::showActionsMenu);
    EXPECT_EQ(Map::command(ctrl(Map::keyComma)), Command::openSettings);
    EXPECT_EQ(Map::command(ctrl(Map::keyDelete)), Command::deleteItem);
    EXPECT_EQ(Map::command(ctrl(Map::keyY)), Command::passOn) << "Y pins the preview only with Shift";
    auto shifted = ctrl(Map::keyY);
    shifted.shift = true;
    EXPECT_EQ(Map::command(shifted), Command::togglePinnedPreview);
    EXPECT_EQ(Map::command(super(Map::keyP)), Command::moveUp);
    auto both = ctrl(Map::keyP);
    both.control = true;
    EXPECT_EQ(Map::command(both), Command::moveUp) << "Super wins over Ctrl for P";
    EXPECT_EQ(Map::command(ctrl(Map::keyN)), Command::passOn);
}

}  // namespace
}  // namespace quorvane
