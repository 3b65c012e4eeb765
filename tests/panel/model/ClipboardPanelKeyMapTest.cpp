#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/model/ClipboardPanelKeyMap.h"

namespace quorvane {
namespace {

using Key = ClipboardPanelKeyMap::KeyCode;

// Records every call as a word; the queries answer what the test set.
class RecordingKeyTarget final : public ClipboardPanelKeyTarget {
public:
    bool isSearchFieldEditing() const override { return editing; }
    bool searchFieldHasSelection() const override { return searchSelection.has_value(); }
    bool searchFieldHasMarkedText() const override { return composing; }
    bool hasGhostSuffix() const override { return ghost; }
    bool showsFilterSuggestions() const override { return suggestions; }

    bool cancelFilterSuggestion() override { return note("cancelSuggestion"), suggestionToCancel; }
    bool acceptSelectedFilterSuggestion() override { return note("acceptSuggestion"), suggestionToAccept; }
    void acceptGhost() override { note("acceptGhost"); }
    void selectAllSearchTextLater() override { note("selectAllSearch"); }
    bool selectAllDetailText() override { return note("selectAllDetail"), detailHasText; }
    std::optional<std::string> selectedSearchText() const override { return searchSelection; }
    std::optional<std::string> selectedDetailText() const override { return detailSelection; }
    void copyPlainText(const std::string& text) override { note("copy:" + text); }
    void copySelectedItem() override { note("copyItem"); }
    void pasteIntoSearchField() override { note("pasteIntoSearch"); }
    void moveFilterSuggestionSelection(bool up) override { note(up ? "suggestionUp" : "suggestionDown"); }
    void moveViewModelSelection(bool up) override { note(up ? "viewModelUp" : "viewModelDown"); }
    void moveSelection(bool up) override { note(up ? "moveUp" : "moveDown"); }
    void confirmSelection() override { note("confirm"); }
    void confirmSelectionAsPlainText() override { note("confirmPlain"); }
    void saveSelectedItem() override { note("save"); }
    void toggleDetailFormat() override { note("format"); }
    void dismissPanel() override { note("hide"); }
    void openSelectedItemWithDefaultApp() override { note("open"); }
    void pinSelectedItem() override { note("pin"); }
    void showActionsMenuForSelectedItem() override { note("actions"); }
    void openSettings() override { note("settings"); }
    void deleteSelectedItem() override { note("delete"); }

    bool editing = true;
    std::optional<std::string> searchSelection;
    bool composing = false;
    bool ghost = false;
    bool suggestions = false;
    bool suggestionToCancel = false;
    bool suggestionToAccept = false;
    bool detailHasText = false;
    std::optional<std::string> detailSelection;
    mutable std::vector<std::string> calls;

private:
    void note(std::string call) const { calls.push_back(std::move(call)); }
};

class ClipboardPanelKeyMapTest : public ::testing::Test {
protected:
    // Presses the key and returns whether it was consumed; `calls` holds what it did.
    bool press(std::uint16_t key, bool command = false, bool control = false, bool repeat = false) {
        target.calls.clear();
        return ClipboardPanelKeyMap::handleKeyDown({key, command, control, repeat}, target);
    }
    using Calls = std::vector<std::string>;

    RecordingKeyTarget target;
};

TEST_F(ClipboardPanelKeyMapTest, EscapeCancelsASuggestionFirstAndHidesOnTheSecondPress) {
    target.suggestionToCancel = true;
    EXPECT_TRUE(press(Key::escape));
    EXPECT_EQ(target.calls, (Calls{"cancelSuggestion"}));

    target.suggestionToCancel = false;
    EXPECT_TRUE(press(Key::escape));
    EXPECT_EQ(target.calls, (Calls{"cancelSuggestion", "hide"}));
}

TEST_F(ClipboardPanelKeyMapTest, TabAcceptsASuggestionElseTheGhostAndIsAlwaysSwallowed) {
    target.suggestionToAccept = true;
    target.ghost = true;
    EXPECT_TRUE(press(Key::tab));
    EXPECT_EQ(target.calls, (Calls{"acceptSuggestion"}));

    target.suggestionToAccept = false;
    EXPECT_TRUE(press(Key::tab));
    EXPECT_EQ(target.calls, (Calls{"acceptSuggestion", "acceptGhost"}));

    target.ghost = false;
    EXPECT_TRUE(press(Key::tab)) << "focus must not move out of the search field";
    EXPECT_EQ(target.calls, (Calls{"acceptSuggestion"}));
}

TEST_F(ClipboardPanelKeyMapTest, CommandAInTheFieldSelectsTheSearchTextElseTheDetail) {
    EXPECT_TRUE(press(Key::a, true));
    EXPECT_EQ(target.calls, (Calls{"selectAllSearch"}));

    target.editing = false;
    target.detailHasText = true;
    EXPECT_TRUE(press(Key::a, true));
    EXPECT_EQ(target.calls, (Calls{"selectAllDetail"}));

    target.detailHasText = false;
    EXPECT_FALSE(press(Key::a, true));
    EXPECT_FALSE(press(Key::a)) << "a plain A is typing";
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(ClipboardPanelKeyMapTest, CommandCCopiesSearchSelectionThenDetailSelectionThenTheEntry) {
    target.searchSelection = "alp";
    target.detailSelection = "detail words";
    EXPECT_TRUE(press(Key::c, true));
    EXPECT_EQ(target.calls, (Calls{"copy:alp"}));

    target.searchSelection.reset();
    EXPECT_TRUE(press(Key::c, true));
    EXPECT_EQ(target.calls, (Calls{"copy:detail words"}));

    target.detailSelection = "";
    EXPECT_TRUE(press(Key::c, true));
    EXPECT_EQ(target.calls, (Calls{"copyItem"}));

    target.suggestions = true;
    EXPECT_TRUE(press(Key::c, true));
    EXPECT_TRUE(target.calls.empty()) << "nothing is copied while suggestions show";
}

TEST_F(ClipboardPanelKeyMapTest, CommandVPastesIntoTheFieldOnlyWhileEditing) {
    EXPECT_TRUE(press(Key::v, true));
    EXPECT_EQ(target.calls, (Calls{"pasteIntoSearch"}));
    target.editing = false;
    EXPECT_FALSE(press(Key::v, true));
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(ClipboardPanelKeyMapTest, UpAndDownTakeDifferentPaths) {
    EXPECT_TRUE(press(Key::up));
    EXPECT_EQ(target.calls, (Calls{"viewModelUp"}));
    EXPECT_TRUE(press(Key::down));
    EXPECT_EQ(target.calls, (Calls{"moveDown"})) << "Down goes through the controller to load more";
    EXPECT_TRUE(press(Key::n, false, true));
    EXPECT_EQ(target.calls, (Calls{"moveDown"}));

    target.suggestions = true;
    EXPECT_TRUE(press(Key::up));
    EXPECT_EQ(target.calls, (Calls{"suggestionUp"}));
}

TEST_F(ClipboardPanelKeyMapTest, ControlPMovesUpEvenWithCommandWhileCommandPAlonePins) {
    EXPECT_TRUE(press(Key::p, true, true));
    EXPECT_EQ(target.calls, (Calls{"viewModelUp"}));
    EXPECT_TRUE(press(Key::p, true));
    EXPECT_EQ(target.calls, (Calls{"pin"}));
    EXPECT_FALSE(press(Key::p)) << "a plain P is typing";
}

TEST_F(ClipboardPanelKeyMapTest, ReturnConfirmsOnceAndLeavesComposingToTheInputMethod) {
    EXPECT_TRUE(press(Key::returnKey));
    EXPECT_EQ(target.calls, (Calls{"confirm"}));
    EXPECT_TRUE(press(Key::returnKey, true));
    EXPECT_EQ(target.calls, (Calls{"confirmPlain"}));

    EXPECT_TRUE(press(Key::returnKey, false, false, true));
    EXPECT_TRUE(target.calls.empty()) << "holding Return confirms once";

    target.composing = true;
    EXPECT_FALSE(press(Key::returnKey));
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(ClipboardPanelKeyMapTest, CommandShortcutsReachTheirActions) {
    const std::vector<std::pair<std::uint16_t, Calls>> cases = {
        {Key::s, {"save"}},
        {Key::f, {"format"}},
        {Key::h, {"hide"}},
        {Key::w, {"hide"}},
        {Key::o, {"open"}},
        {Key::k, {"actions"}},
        {Key::comma, {"hide", "settings"}},
        {Key::deleteKey, {"delete"}},
    };
    for (const auto& [key, calls] : cases) {
        EXPECT_TRUE(press(key, true)) << key;
        EXPECT_EQ(target.calls, calls) << key;
        EXPECT_FALSE(press(key)) << "without Ctrl, key " << key << " is typing";
        EXPECT_TRUE(target.calls.empty()) << key;
    }
}

TEST_F(ClipboardPanelKeyMapTest, FormatAndDeleteAreSwallowedButIdleWhileSuggestionsShow) {
    target.suggestions = true;
    EXPECT_TRUE(press(Key::f, true));
    EXPECT_TRUE(press(Key::deleteKey, true));
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(ClipboardPanelKeyMapTest, OtherKeysPassOnToTheSearchField) {
    EXPECT_FALSE(press(9 /* V */));
    EXPECT_FALSE(press(0x31 /* Space */));
    EXPECT_FALSE(press(Key::deleteKey)) << "Backspace edits the search text";
    EXPECT_FALSE(press(122 /* F1 */, true));
    EXPECT_TRUE(target.calls.empty());
}

}  // namespace
}  // namespace quorvane
