// The centred panel used with the mouse as well as the keys, on a real X display: clicks anywhere that is not
// a text control leave the typing with the search field, the split divider drags by its visible line, and a
// screen reader on the accessibility bus can browse the rows. Keys and clicks go through the X server's test
// extension, held as a person holds them.

#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "desktop/AccessibilityBusSession.h"
#include "desktop/AtSpiTreeReader.h"
#include "desktop/DesktopSession.h"
#include "desktop/DropTargetProcess.h"
#include "desktop/EntryActionChecks.h"
#include "desktop/OpenboxWindowManager.h"
#include "desktop/RenderedImages.h"
#include "desktop/ShownDialogs.h"
#include "desktop/UserInput.h"
#include "desktop/WindowStacking.h"
#include "panel/support/FakeHistoryManager.h"
#include "panel/support/HistoryListSearchService.h"
#include "panel/support/PanelTestEntries.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/ClipboardPanel.h"
#include "panel/widgets/ClipboardPanelController.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardSearchFilterChipView.h"
#include "panel/widgets/ClipboardSearchFilterChipsContainerView.h"
#include "panel/widgets/ClipboardSearchRowView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "panel/widgets/CustomSplitView.h"
#include "panel/widgets/PinWindow.h"
#include "platform/Clock.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/InMemoryWindowActivation.h"
#include "platform/memory/RecordingPasteShortcutPoster.h"
#include "preferences/SettingsAccessors.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "support/GrantedAccessibilityPermission.h"
#include "support/LogCapture.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"
#include "ui/ElidedLabel.h"
#include "ui/KeyablePanel.h"

namespace quorvane {
namespace {

using testing::AccessibilityBusSession;
using testing::AtSpiNode;
using testing::AtSpiTreeReader;
using testing::DesktopSession;
using namespace std::chrono_literals;
namespace input = testing::userinput;

using Trusted = testing::GrantedAccessibilityPermission;

class CentredPanelHandsDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        for (const auto& [id, text] :
             {std::pair{"a", "alpha one"}, {"b", "beta two"}, {"g", "gamma three"}}) {
            history_->entries.push_back(testing::textEntry(id, text));
            ClipboardHistoryContentSnapshot content;
            content.id = id;
            content.content = text;
            history_->contents[id] = content;
        }
        activation_.setActiveWindow(ReturnTarget{4242, 77});
        defaults_.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, true);
        viewModel_ = std::make_unique<ClipboardPanelViewModel>(ClipboardPanelViewModel::Dependencies{
            history_, search_, queue_, pasteboard_, defaults_, resolver_, clock_});
        controller_ = std::make_unique<ClipboardPanelController>(ClipboardPanelController::Dependencies{
            *viewModel_, defaults_, queue_, clock_, pasteboard_, screens_, activation_, poster_, trust_});
    }
    void TearDown() override {
        controller_.reset();
        viewModel_.reset();
    }

    ClipboardPanel& panel() { return controller_->clipboardPanel(); }
    ClipboardTextField& field() { return *panel().searchField(); }
    ClipboardResultListView& list() { return controller_->clipboardResultListView(); }

    void showAndWait() {
        controller_->showPanel();
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
            return list().state().items().size() == 3 && panel().window()->isActiveWindow() &&
                   field().hasFocus();
        })) << "listed "
            << list().state().items().size();
        // The window manager's and the server's turn before the first click.
        DesktopSession::processEventsFor(200ms);
    }

    // Types `text` and waits until the field shows `expected`.
    ::testing::AssertionResult typeAndExpect(const QString& text, const QString& expected) {
        if (!input::typeText(text)) return ::testing::AssertionFailure() << "xdotool failed";
        if (DesktopSession::processEventsUntil([&] { return field().text() == expected; }, 3s))
            return ::testing::AssertionSuccess();
        QWidget* focus = QApplication::focusWidget();
        return ::testing::AssertionFailure() << "the field reads \"" << field().text().toStdString()
                                             << "\", expected \"" << expected.toStdString() << "\"; focus on "
                                             << (focus ? focus->metaObject()->className() : "nothing");
    }

    QPoint centreOf(const QWidget& widget) const { return widget.mapToGlobal(widget.rect().center()); }

    InMemoryUserDefaults defaults_;
    SystemClock clock_;
    QtMainQueue queue_;
    std::shared_ptr<testing::FakeHistoryManager> history_ =
        std::make_shared<testing::FakeHistoryManager>(queue_);
    std::shared_ptr<testing::HistoryListSearchService> search_ =
        std::make_shared<testing::HistoryListSearchService>(queue_, *history_);
    InMemoryPasteboard pasteboard_;
    InMemoryApplicationCatalog catalog_;
    ClipboardAppIdentityResolver resolver_{catalog_, {}, "en_US.UTF-8"};
    QtScreenProvider screens_;
    InMemoryWindowActivation activation_;
    RecordingPasteShortcutPoster poster_{&activation_};
    Trusted trust_;
    std::unique_ptr<ClipboardPanelViewModel> viewModel_;
    std::unique_ptr<ClipboardPanelController> controller_;
};

// With nothing on this desktop to open links or files, Open With (its key) and Open Link (the row's menu) say
// so in an alert and a warning instead of claiming success.
TEST_F(CentredPanelHandsDesktopTest, OpenWithAndOpenLinkThatNothingTakesAreReported) {
    const std::string link = "https://example.invalid/page";
    history_->entries[0] = testing::textEntry("a", link);
    history_->contents["a"].content = link;
    testing::FailingEntryActions failing(*viewModel_);
    controller_->setItemActions(&failing.actions);
    testing::LogCapture log;

    showAndWait();
    ASSERT_TRUE(input::holdKey("ctrl+o"));
    EXPECT_TRUE(testing::reportedCannotOpen(log, "[ClipboardPanelController] Cannot open with default app",
                                            "Opened text with default app"));
    showAndWait();
    ASSERT_TRUE(testing::chooseFromRowMenu(list(), 0, "Open Link"));
    EXPECT_TRUE(testing::reportedCannotOpen(
        log, "[ClipboardPanelController] Cannot open link: no application opened https://example.invalid",
        "Opened link"));
    controller_->setItemActions(nullptr);
}

// Moving between two pictures shown before: each takes a while to decode again, and until it is drawn the
// pane must not show the other one under the new entry's line. The pane is looked at every 50 ms.
TEST_F(CentredPanelHandsDesktopTest, MovingBetweenTwoPicturesNeverShowsTheOtherUnderTheNewLine) {
    const QFont font("DejaVu Sans", 300, QFont::Bold);
    for (const auto& [id, light, deep] : {std::tuple{"red", QColor(240, 40, 40), QColor(150, 0, 0)},
                                          std::tuple{"blue", QColor(40, 40, 240), QColor(0, 0, 150)}}) {
        auto entry = testing::textEntry(id, "Image 4000x4000");
        entry.contentType = ClipboardContentType::image;
        history_->entries.insert(history_->entries.begin(), entry);
        ClipboardHistoryContentSnapshot content;
        content.id = id;
        content.imageData = testing::gradientPicture({4000, 4000}, light, deep, id, font);
        history_->contents[id] = content;
    }
    ClipboardDetailView& detail = controller_->clipboardDetailView();
    // Which picture the pane draws at its centre, if any.
    const auto drawn = [&]() -> std::string {
        const QImage pane = detail.grab().toImage();
        const QColor centre = pane.pixelColor(pane.width() / 2, pane.height() / 3);
        if (centre.red() > centre.blue() + 60) return "red";
        if (centre.blue() > centre.red() + 60) return "blue";
        return {};
    };
    std::set<std::string> seen;
    QStringList faults;
    QTimer sampler;
    sampler.setInterval(50);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const auto& items = list().state().items();
        const int selected = list().state().selectedIndex();
        if (selected < 0 || selected >= int(items.size())) return;
        const std::string shown = drawn();
        if (shown.empty()) return;
        if (shown == items[selected].id) {
            seen.insert(shown);
        } else {
            faults << QString::fromStdString(shown + " drawn under the line of " + items[selected].id +
                                             ": ") +
                          detail.metadataLabel()->fullText();
        }
    });
    controller_->showPanel();
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return list().state().items().size() == 5 && field().hasFocus(); }, 15s));
    sampler.start();
    const auto showsOnly = [&](const std::string& id) {
        seen.clear();
        return DesktopSession::processEventsUntil([&] { return seen.count(id) == 1; }, 30s);
    };
    ASSERT_TRUE(showsOnly("blue"));
    for (const auto& [key, id] :
         {std::pair{"Down", "red"}, {"Up", "blue"}, {"Down", "red"}, {"Up", "blue"}}) {
        ASSERT_TRUE(input::holdKey(key));
        EXPECT_TRUE(showsOnly(id)) << id << " never drawn";
    }
    sampler.stop();
    EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
}

// The panel hides before its save dialog opens: the dialog must not fall under a pin window, which stays on
// top of the others. The window manager's stacking order tells.
class CentredPanelBesidePinWindowDesktopTest : public CentredPanelHandsDesktopTest {
protected:
    void SetUp() override {
        CentredPanelHandsDesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(windowManager_.start());
    }
    void TearDown() override {
        if (auto* dialog = testing::shownDialog<QFileDialog>()) dialog->reject();
        delete pinWindow_.data();
        CentredPanelHandsDesktopTest::TearDown();
    }

    testing::OpenboxWindowManager windowManager_;
    QPointer<PinWindow> pinWindow_;
};

TEST_F(CentredPanelBesidePinWindowDesktopTest, SaveToFileOpensItsDialogAboveAnOpenPinWindow) {
    testing::FailingEntryActions actions(*viewModel_);
    controller_->setItemActions(&actions.actions);
    ClipboardHistoryContentSnapshot content;
    content.content = "pinned text";
    pinWindow_ = PinWindow::make(testing::textEntry("p", "pinned text"), content, {},
                                 PinWindowServices::desktop(pasteboard_));
    pinWindow_->present();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return pinWindow_->isActiveWindow(); }, 15s));

    showAndWait();
    ASSERT_TRUE(input::holdKey("ctrl+s"));
    QFileDialog* dialog = testing::awaitShownDialog<QFileDialog>();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(controller_->isPanelVisible()) << "the panel hides before it asks";
    EXPECT_EQ(dialog->parentWidget(), panel().window());
    EXPECT_TRUE(testing::stackedAbove(*dialog, *pinWindow_));
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return dialog->isActiveWindow(); }, 5s))
        << "the dialog takes the keyboard";
    EXPECT_EQ(dialog->selectedFiles().value(0).section('/', -1), "ClipboardText.txt");
    ASSERT_TRUE(input::holdKey("Escape"));
    EXPECT_TRUE(
        DesktopSession::processEventsUntil([&] { return testing::shownDialog<QFileDialog>() == nullptr; }));
    controller_->setItemActions(nullptr);
}

// A left click on a row pastes that row, so rows are reached here by the right button (press selects).
TEST_F(CentredPanelHandsDesktopTest, TypingReachesTheSearchFieldAfterClicksAnywhereElse) {
    showAndWait();
    QWidget* window = panel().window();

    // The background beside the split view; the arrows still move through the list.
    ASSERT_TRUE(input::click(window->mapToGlobal(QPoint(3, window->height() / 2))));
    ASSERT_TRUE(input::holdKey("Down"));
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return list().state().selectedIndex() == 1; }));

    // A typed filter makes a chip; its remove button takes the filter out again.
    ASSERT_TRUE(typeAndExpect("type:text ", "type:text "));
    ClipboardSearchFilterChipsContainerView* chips = panel().searchRow()->chips();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return chips->chipViews().size() == 1; }));
    DesktopSession::processEventsFor(100ms);
    ASSERT_TRUE(input::click(centreOf(*chips->chipViews().front()->deleteButton())));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return chips->chipViews().empty(); }));
    EXPECT_TRUE(typeAndExpect("b", "b"));

    // The footer, away from its buttons.
    const QWidget* footer = panel().statusLabel()->parentWidget();
    ASSERT_TRUE(input::click(footer->mapToGlobal(QPoint(20, footer->height() / 2))));
    EXPECT_TRUE(typeAndExpect("e", "be"));

    // A row's menu, closed again with Escape.
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return list().state().items().size() == 1; }));
    ASSERT_TRUE(input::click(list().screenRectForRow(0)->center(), 3));
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return list().contextMenu() && list().contextMenu()->isVisible(); }));
    DesktopSession::processEventsFor(150ms);
    ASSERT_TRUE(input::holdKey("Escape"));
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return !list().contextMenu() || !list().contextMenu()->isVisible(); }));
    EXPECT_TRUE(panel().isVisible()) << "closing the menu keeps the panel";
    EXPECT_TRUE(typeAndExpect("t", "bet"));

    // The detail pane below its text, and the list's empty space below the rows.
    auto& detail = controller_->clipboardDetailView();
    ASSERT_TRUE(input::click(detail.mapToGlobal(QPoint(detail.width() / 2, detail.height() - 4))));
    ASSERT_TRUE(input::click(list().mapToGlobal(QPoint(list().width() / 2, list().height() - 10))));
    EXPECT_TRUE(typeAndExpect("a", "beta"));
    ASSERT_TRUE(panel().isVisible());

    // Return pastes the entry the typed text found.
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return list().state().items().size() == 1 && list().state().items().front().id == "b"; }));
    ASSERT_TRUE(input::holdKey("Return"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return poster_.postCount() == 1; }, 5s))
        << "nothing was pasted";
    EXPECT_EQ(pasteboard_.string(), std::optional<std::string>("beta two"));
    EXPECT_FALSE(panel().isVisible());
}

TEST_F(CentredPanelHandsDesktopTest, DraggingTheDividerLineMovesTheSplitNotTheWindowAndIsRestored) {
    showAndWait();
    CustomSplitView* split = panel().splitView();
    QWidget* line = panel().dividerLine();
    const QPoint windowAt = panel().window()->pos();
    const int listWidth = split->sizes().front();
    EXPECT_GE(split->handleWidth(), 5);
    EXPECT_LE(split->handleWidth(), 7);

    const QPoint grab = line->mapToGlobal(QPoint(0, line->height() / 2));
    ASSERT_TRUE(input::drag(grab, grab + QPoint(100, 0)));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return split->sizes().front() != listWidth; }))
        << "the divider did not move";
    DesktopSession::processEventsFor(100ms);
    EXPECT_EQ(split->sizes().front(), listWidth + 100);
    EXPECT_EQ(panel().window()->pos(), windowAt) << "the window stays where it was";
    EXPECT_EQ(line->mapToGlobal(QPoint(0, 0)).x(), grab.x() + 100) << "the line follows the handle";

    // A new panel over the same settings opens with the width the user left.
    controller_->hidePanel();
    controller_.reset();
    controller_ = std::make_unique<ClipboardPanelController>(ClipboardPanelController::Dependencies{
        *viewModel_, defaults_, queue_, clock_, pasteboard_, screens_, activation_, poster_, trust_});
    showAndWait();
    EXPECT_EQ(panel().splitView()->sizes().front(), listWidth + 100);
}

// Rows dragged out of the panel onto a window of another program, over the X drag-and-drop protocol.
class CentredPanelDragOutDesktopTest : public CentredPanelHandsDesktopTest {
protected:
    static constexpr const char* draggedText = "Drag me: Grüße 🎉 שלום\nsecond line";

    void SetUp() override {
        CentredPanelHandsDesktopTest::SetUp();
        if (IsSkipped()) return;
        history_->entries.push_back(testing::textEntry("d", draggedText));
        history_->contents["d"].id = "d";
        history_->contents["d"].content = draggedText;
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(0x2f, 0x6f, 0xeb));
        history_->entries.push_back(testing::imageEntry("i"));
        history_->contents["i"].id = "i";
        history_->contents["i"].imageData = testing::encoded(image);
    }
    std::optional<QPoint> rowCentre(const std::string& id) {
        const auto& items = list().state().items();
        for (std::size_t row = 0; row < items.size(); ++row) {
            if (items[row].id == id) {
                const auto rect = list().screenRectForRow(int(row));
                if (rect) return rect->center();
            }
        }
        return std::nullopt;
    }

    testing::DropTargetProcess target_;
};

TEST_F(CentredPanelDragOutDesktopTest, ATextRowAndAnImageRowDropIntoAnotherProgramsWindow) {
    testing::TemporaryDirectory dragFiles;
    list().dragFolder = [&] { return dragFiles.path(); };
    controller_->showPanel();
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return list().state().items().size() == 5 && panel().window()->isActiveWindow(); }));
    DesktopSession::processEventsFor(200ms);
    const QRect panelFrame = panel().window()->frameGeometry();
    int y = panelFrame.bottom() + 30;
    if (y + 260 > panel().window()->screen()->geometry().bottom()) y = std::max(0, panelFrame.top() - 290);
    const auto frame = target_.start(QPoint(panelFrame.left(), y));
    ASSERT_TRUE(frame) << "the drop target did not show: " << target_.output();
    ASSERT_FALSE(frame->intersects(panelFrame)) << "the target is covered";
    const QPoint into = frame->center();

    auto from = rowCentre("d");
    ASSERT_TRUE(from);
    ASSERT_TRUE(input::drag(*from, into, 20));
    ASSERT_TRUE(target_.waitForLine("dropped")) << target_.output();
    EXPECT_TRUE(target_.lastLine("enter ").contains("text/plain")) << "offered formats: " << target_.output();
    EXPECT_EQ(target_.lastLine("text ").toStdString(),
              QString::fromUtf8(draggedText).replace('\n', "\\n").toStdString())
        << target_.output();
    // The drop was taken, so the entry was used: it is on the clipboard too.
    EXPECT_TRUE(DesktopSession::processEventsUntil(
        [&] { return pasteboard_.string() == std::optional<std::string>(draggedText); }));

    if (!panel().isVisible()) controller_->showPanel();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return panel().isVisible() && rowCentre("i"); }));
    DesktopSession::processEventsFor(200ms);
    from = rowCentre("i");
    ASSERT_TRUE(from);
    ASSERT_TRUE(input::drag(*from, into, 20));
    ASSERT_TRUE(target_.waitForLine("dropped", 2)) << target_.output();
    EXPECT_EQ(target_.lastLine("image ").toStdString(), "64 48 #2f6feb") << target_.output();
    // The image also arrives as a file for programs that take files.
    const std::filesystem::path file = target_.lastLine("url ").toStdString();
    ASSERT_TRUE(std::filesystem::is_regular_file(file)) << file;
    EXPECT_EQ(file.parent_path(), dragFiles.path());
    std::ifstream stream(file, std::ios::binary);
    const Data written{std::istreambuf_iterator<char>(stream), {}};
    EXPECT_EQ(written, *history_->contents["i"].imageData);
}

// The panel on a private accessibility bus, which this process joins before its bridge first connects.
class CentredPanelAccessibilityDesktopTest : public CentredPanelHandsDesktopTest {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        bus_ = std::make_unique<AccessibilityBusSession>(DesktopSession::display());
        ASSERT_TRUE(bus_->start()) << bus_->failure();
        ASSERT_TRUE(bus_->setAccessibilityEnabled(true));
        membership_ = std::make_unique<testing::AccessibilityBusMembership>(bus_->sessionBusAddress());
        if (!membership_->joined()) GTEST_SKIP() << "this program's bridge joined another bus before";
        CentredPanelHandsDesktopTest::SetUp();
        reader_ = std::make_unique<AtSpiTreeReader>(bus_->sessionBusAddress());
    }
    void TearDown() override {
        CentredPanelHandsDesktopTest::TearDown();
        reader_.reset();
        membership_.reset();
        bus_.reset();
    }

    // The rows of the showing list, once it has `count` of them.
    std::vector<AtSpiNode> rows(int count) {
        std::vector<AtSpiNode> found;
        DesktopSession::processEventsUntil(
            [&] {
                tree_ = reader_->tree();
                const auto lists = AtSpiTreeReader::find(tree_, "list");
                found =
                    lists.empty() ? std::vector<AtSpiNode>{} : AtSpiTreeReader::childrenOf(tree_, lists[0]);
                return int(found.size()) == count;
            },
            10s);
        return found;
    }

    std::unique_ptr<AccessibilityBusSession> bus_;
    std::unique_ptr<testing::AccessibilityBusMembership> membership_;
    std::unique_ptr<AtSpiTreeReader> reader_;
    std::vector<AtSpiNode> tree_;
};

TEST_F(CentredPanelAccessibilityDesktopTest, AScreenReaderFindsTheSearchFieldAndFollowsTheSelectedRow) {
    showAndWait();
    auto listed = rows(3);
    ASSERT_EQ(listed.size(), 3u) << "the bus shows " << tree_.size() << " nodes of this program";
    EXPECT_EQ(listed[0].name, "alpha one");
    EXPECT_EQ(listed[1].name, "beta two");
    EXPECT_EQ(listed[2].name, "gamma three");
    EXPECT_EQ(listed[0].role, "list item");
    EXPECT_FALSE(listed[0].description.isEmpty()) << "the subtitle describes the row";
    EXPECT_TRUE(listed[0].has(ATSPI_STATE_SELECTED));
    EXPECT_FALSE(listed[1].has(ATSPI_STATE_SELECTED));
    EXPECT_EQ(AtSpiTreeReader::find(tree_, "list", "Clipboard History").size(), 1u);
    // The whole tip, its key combination written as the menus write theirs.
    EXPECT_EQ(AtSpiTreeReader::find(tree_, "push button", "Ctrl+K Open Actions").size(), 1u)
        << testing::describe(tree_).toStdString();
    EXPECT_EQ(AtSpiTreeReader::find(tree_, "push button", "Copy and Return").size(), 1u);

    const auto fields = AtSpiTreeReader::find(tree_, "text", "Search");
    ASSERT_EQ(fields.size(), 1u) << "one search field by name";
    EXPECT_EQ(fields[0].description, "Search clipboard history") << "the placeholder";
    EXPECT_TRUE(fields[0].has(ATSPI_STATE_FOCUSED));

    // The detail pane's text is there to read, under a name.
    bool readable = false;
    for (const AtSpiNode& node : AtSpiTreeReader::find(tree_, "text", "Entry Text")) {
        if (reader_->text(node) == QStringLiteral("alpha one")) readable = true;
    }
    EXPECT_TRUE(readable) << "the detail pane's named text\n" << testing::describe(tree_).toStdString();

    ASSERT_TRUE(input::holdKey("Down"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return list().state().selectedIndex() == 1; }));
    listed = rows(3);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_FALSE(listed[0].has(ATSPI_STATE_SELECTED));
    EXPECT_TRUE(listed[1].has(ATSPI_STATE_SELECTED));
    EXPECT_TRUE(field().hasFocus()) << "the keys stay in the search field";

    // Typing narrows the rows the reader sees.
    ASSERT_TRUE(typeAndExpect("gam", "gam"));
    listed = rows(1);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "gamma three");
    EXPECT_TRUE(listed[0].has(ATSPI_STATE_SELECTED));
}

TEST_F(CentredPanelAccessibilityDesktopTest, ImageRowsThatLookAlikeSoundApartByTimeAndApplication) {
    const Date now(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
    InstalledApplication painter;
    painter.identifier = "org.example.Painter";
    painter.name = "Painter";
    InstalledApplication viewer;
    viewer.identifier = "org.example.Viewer";
    viewer.name = "Viewer";
    const InMemoryApplicationCatalog catalog({painter, viewer});
    for (const auto& [id, age, application] :
         {std::tuple{"p", 150.0, "org.example.Painter"},
          std::tuple{"v", 3 * 86400.0 + 60, "org.example.Viewer"}, std::tuple{"u", 150.0, ""}}) {
        auto entry = testing::textEntry(id, "Image 640x200", now.addingTimeInterval(-age));
        entry.contentType = ClipboardContentType::image;
        if (*application) entry.bundleIdentifier = application;
        history_->entries.insert(history_->entries.begin(), entry);
    }
    controller_.reset();
    ClipboardPanelController::Options options;
    options.applicationCatalog = &catalog;
    controller_ = std::make_unique<ClipboardPanelController>(
        ClipboardPanelController::Dependencies{*viewModel_, defaults_, queue_, clock_, pasteboard_, screens_,
                                               activation_, poster_, trust_},
        options);
    controller_->showPanel();
    const auto listed = rows(6);
    ASSERT_EQ(listed.size(), 6u) << testing::describe(tree_).toStdString();
    QStringList names;
    for (const AtSpiNode& row : listed) names << row.name;
    const auto heard = [&](const QString& pattern) {
        return names.indexOf(QRegularExpression(QRegularExpression::anchoredPattern(pattern))) >= 0;
    };
    // The time of day to the second follows the age.
    const QString clock = QStringLiteral(" \\([^)]*\\d{1,2}:\\d\\d:\\d\\d[^)]*\\)");
    EXPECT_TRUE(heard("Image 640x200, 2 mins ago" + clock + ", from Painter"))
        << names.join(" | ").toStdString();
    EXPECT_TRUE(heard("Image 640x200, 3 days ago" + clock + ", from Viewer"))
        << names.join(" | ").toStdString();
    // Without a known application the time still tells it apart.
    EXPECT_TRUE(heard("Image 640x200, 2 mins ago" + clock)) << names.join(" | ").toStdString();
    EXPECT_TRUE(names.contains("alpha one")) << "text rows keep their text as the name";
}

}  // namespace
}  // namespace quorvane
