// The floating panel on a real X display with a private accessibility bus and window manager: it opens next
// to the caret of the test window (or at the mouse pointer when the bus is off), filters with ":" fragments,
// and shows its preview bubble, photographed in light and dark palettes, in English and Chinese.

#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <functional>
#include <memory>

#include "desktop/AccessibilityBusSession.h"
#include "desktop/AtSpiTreeReader.h"
#include "desktop/DesktopSession.h"
#include "desktop/DropTargetProcess.h"
#include "desktop/EntryActionChecks.h"
#include "desktop/RenderedImages.h"
#include "desktop/UserInput.h"
#include "floating/model/ClipboardFloatingAnchorResolver.h"
#include "floating/model/FloatingClipboardPositionCalculator.h"
#include "floating/model/TextCaretPositionDetector.h"
#include "floating/widgets/FloatingClipboardPanelController.h"
#include "hotkeys/model/KeyCombo.h"
#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "panel/support/FakeHistoryManager.h"
#include "panel/support/PanelTestEntries.h"
#include "platform/linux/AtSpiAccessibleElementPort.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/QtTextWidthMeasurer.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"
#include "platform/linux/X11HotkeyRegistrar.h"
#include "platform/linux/X11WindowActivation.h"
#include "platform/memory/FakeClock.h"
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

namespace quorvane {
namespace {

using testing::AccessibilityBusSession;
using testing::DesktopSession;
using namespace std::chrono_literals;

using GrantedPermission = testing::GrantedAccessibilityPermission;

// Answers every page at once from the history's entries (a search keeps those whose text holds the query).
class ListSearchService final : public ClipboardSearchServiceProtocol {
public:
    ListSearchService(MainQueue& queue, const testing::FakeHistoryManager& history)
        : queue_(queue), history_(history) {}
    void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) override {
        search("", limit, offset, std::move(completion));
    }
    void search(std::string query, std::int64_t limit, std::int64_t offset,
                PageCompletion completion) override {
        std::vector<ClipboardHistoryIndexSnapshot> found;
        for (const auto& entry : history_.entries) {
            if (entry.searchText.find(query) != std::string::npos) found.push_back(entry);
        }
        const auto start = std::min<std::size_t>(std::size_t(offset), found.size());
        const auto end = std::min<std::size_t>(start + std::size_t(limit), found.size());
        ClipboardSearchPage page{{found.begin() + start, found.begin() + end}, end < found.size()};
        queue_.post([completion = std::move(completion), page = std::move(page)] {
            completion(ClipboardSearchResult<ClipboardSearchPage>::success(page));
        });
    }
    void rebuildIndex(RebuildCompletion) override {}
    void indexStats(StatsCompletion completion) override { completion({}); }
    void runtimeMetrics(MetricsCompletion completion) override { completion({}); }

private:
    MainQueue& queue_;
    const testing::FakeHistoryManager& history_;
};

// Counts the caret lookups on their way to the real resolver.
class CountingAnchorResolver final : public ClipboardFloatingAnchorResolving {
public:
    explicit CountingAnchorResolver(ClipboardFloatingAnchorResolving& resolver) : resolver_(resolver) {}
    FloatingPanelAnchor resolveAnchor() override {
        ++caretLookups;
        return resolver_.resolveAnchor();
    }
    FloatingPanelAnchor mouseAnchor() override { return resolver_.mouseAnchor(); }
    int caretLookups = 0;

private:
    ClipboardFloatingAnchorResolving& resolver_;
};

class MouseAnchor final : public ClipboardFloatingAnchorResolving {
public:
    explicit MouseAnchor(const ScreenProvider& screens) : screens_(screens) {}
    FloatingPanelAnchor resolveAnchor() override { return mouseAnchor(); }
    FloatingPanelAnchor mouseAnchor() override {
        return FloatingPanelAnchor::mouse(screens_.mouseLocation());
    }

private:
    const ScreenProvider& screens_;
};

// The floating panel's controller over an in-memory history, anchored by the real caret lookup.
class FloatingPanelDesktopTest : public ::testing::Test {
protected:
    // False: no accessible desktop and no test window; the panel opens at the mouse pointer.
    virtual bool usesAccessibleDesktop() const { return true; }
    // True: the window manager's active window decides the return target, not the test.
    virtual bool usesRealWindowActivation() const { return false; }
    virtual QStringList testWindowArguments() const { return {}; }
    // True: this program's own windows join the private accessibility bus (before any widget exists).
    virtual bool joinsAccessibilityBus() const { return false; }
    // False: the test starts its window itself, once the panel and its caret lookup exist.
    virtual bool startsTestWindow() const { return true; }

    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        if (usesAccessibleDesktop()) {
            session_ = std::make_unique<AccessibilityBusSession>(DesktopSession::display());
            ASSERT_TRUE(session_->start()) << session_->failure();
            ASSERT_TRUE(session_->setAccessibilityEnabled(true));
            if (joinsAccessibilityBus()) {
                membership_ =
                    std::make_unique<testing::AccessibilityBusMembership>(session_->sessionBusAddress());
                if (!membership_->joined()) GTEST_SKIP() << "this program's bridge joined another bus before";
            }
            if (startsTestWindow()) {
                ASSERT_TRUE(session_->startTestWindow(QUORVANE_CARET_TEST_WINDOW, testWindowArguments()))
                    << session_->failure();
            }
            frontmost_ = std::make_unique<X11FrontmostApplicationProvider>();
            port_ =
                std::make_unique<AtSpiAccessibleElementPort>(frontmost_.get(), session_->sessionBusAddress());
            detector_ = std::make_unique<TextCaretPositionDetector>(
                TextCaretPositionDetector::Services{*port_, *frontmost_, screens_, measurer_});
            realResolver_ = std::make_unique<ClipboardFloatingAnchorResolver>(
                permission_, *detector_, [this] { return screens_.mouseLocation(); });
            resolver_ = std::make_unique<CountingAnchorResolver>(*realResolver_);
        } else {
            resolver_ = std::make_unique<MouseAnchor>(screens_);
        }
        addEntry("t1", "Quorvane keeps what you copy");
        addEntry("j1", "{\"name\":\"Quorvane\",\"tags\":[\"clipboard\",\"history\"],\"count\":3}");
        addEntry("t2", "Meeting notes\nBring the slides\nBook the room");
        if (usesRealWindowActivation()) realActivation_ = std::make_unique<X11WindowActivation>();
        WindowActivation& activation =
            realActivation_ ? static_cast<WindowActivation&>(*realActivation_) : activation_;
        pasteBack_ = std::make_unique<PasteBackPerformer>(queue_, activation, poster_, pasteboard_);
        viewModel_ = std::make_unique<ClipboardPanelViewModel>(ClipboardPanelViewModel::Dependencies{
            history_, search_, queue_, pasteboard_, defaults_, identity_, clock_});
        controller_ = std::make_unique<FloatingClipboardPanelController>(
            FloatingClipboardPanelController::Dependencies{*viewModel_,
                                                           queue_,
                                                           defaults_,
                                                           DistributionChannel::direct,
                                                           {},
                                                           {},
                                                           {},
                                                           permission_,
                                                           activation,
                                                           *pasteBack_,
                                                           *resolver_,
                                                           screens_,
                                                           pasteboard_,
                                                           completions_,
                                                           nullptr});
    }

    void TearDown() override {
        controller_.reset();
        viewModel_.reset();
        membership_.reset();
    }

    void addEntry(const std::string& id, const std::string& text) {
        history_->entries.push_back(testing::textEntry(id, text));
        ClipboardHistoryContentSnapshot content;
        content.id = id;
        content.content = text;
        history_->contents[id] = content;
    }

    std::optional<ScreenRect> caretOnceRegistered() {
        std::optional<ScreenRect> caret;
        AccessibilityBusSession::processEventsUntil(
            [&] {
                caret = detector_->getCaretPosition();
                return caret.has_value();
            },
            10s);
        return caret;
    }

    // Without the automatic preview the window keeps the list's size: the bubble opening beside it moves the
    // window, and Qt's idea of where the window is may briefly lag behind the window manager's.
    bool showAndWait(bool automaticPreview = true) {
        controller_->showPanel();
        if (!automaticPreview) controller_->previewCoordinator().disarmAutomaticPreviews();
        return DesktopSession::processEventsUntil([this] {
            return controller_->isPanelVisible() &&
                   controller_->resultList().state().items().size() == history_->entries.size();
        });
    }

    // Where the panel opens for the mouse pointer at `mouse`.
    ScreenPoint originAtMouse(ScreenPoint mouse) const {
        return FloatingClipboardPositionCalculator::panelOrigin(
            screens_, mouse, FloatingClipboardPositionCalculator::panelSize,
            FloatingClipboardPositionCalculator::gap);
    }

    // The list's corner on the screen as the X server has it: Qt's idea of where a top-level window is may
    // lag behind the window manager's for a while.
    QPoint panelOrigin() const {
        auto* window = controller_->floatingPanel().window();
        const auto info = DesktopSession::run("xwininfo", {"-id", QString::number(window->winId())});
        static const QRegularExpression corner(
            "Absolute upper-left X:\\s+(-?\\d+)\\s+Absolute upper-left Y:\\s+(-?\\d+)");
        const auto match = corner.match(QString::fromUtf8(info.output));
        if (!match.hasMatch()) return QPoint(-100000, -100000);
        auto* root = controller_->floatingPanel().rootView();
        return QPoint(match.captured(1).toInt(), match.captured(2).toInt()) + root->geometry().topLeft() +
               root->listSurfaceView()->geometry().topLeft();
    }
    // The list's corner once `holds` says it is where it belongs (the window manager may take its time), or
    // where it still is after a few seconds.
    QPoint settledPanelOrigin(const std::function<bool(QPoint)>& holds) const {
        QPoint origin;
        DesktopSession::processEventsUntil(
            [&] {
                origin = panelOrigin();
                return holds(origin);
            },
            3s);
        return origin;
    }
    static bool near(QPoint origin, ScreenPoint expected) {
        return std::abs(origin.x() - expected.x) <= 2 && std::abs(origin.y() - expected.y) <= 2;
    }

    std::unique_ptr<AccessibilityBusSession> session_;
    std::unique_ptr<testing::AccessibilityBusMembership> membership_;
    std::unique_ptr<X11FrontmostApplicationProvider> frontmost_;
    QtScreenProvider screens_;
    QtTextWidthMeasurer measurer_;
    std::unique_ptr<AtSpiAccessibleElementPort> port_;
    std::unique_ptr<TextCaretPositionDetector> detector_;
    GrantedPermission permission_;
    std::unique_ptr<ClipboardFloatingAnchorResolving> realResolver_;
    std::unique_ptr<ClipboardFloatingAnchorResolving> resolver_;

    QtMainQueue queue_;
    FakeClock clock_{Date(1'700'000'000.0)};
    InMemoryUserDefaults defaults_;
    InMemoryApplicationCatalog catalog_;
    ClipboardAppIdentityResolver identity_{catalog_, {}, "en_US.UTF-8"};
    std::shared_ptr<testing::FakeHistoryManager> history_ =
        std::make_shared<testing::FakeHistoryManager>(queue_);
    std::shared_ptr<ListSearchService> search_ = std::make_shared<ListSearchService>(queue_, *history_);
    InMemoryPasteboard pasteboard_;
    InMemoryWindowActivation activation_;
    std::unique_ptr<X11WindowActivation> realActivation_;
    RecordingPasteShortcutPoster poster_{&activation_};
    std::unique_ptr<PasteBackPerformer> pasteBack_;
    ClipboardSearchAutoCompleteManager completions_{defaults_, nullptr};
    std::unique_ptr<ClipboardPanelViewModel> viewModel_;
    std::unique_ptr<FloatingClipboardPanelController> controller_;
};

TEST_F(FloatingPanelDesktopTest, OpensNextToTheCaretOfTheFocusedField) {
    ASSERT_TRUE(session_->type("abc").has_value()) << session_->failure();
    const auto caret = caretOnceRegistered();
    ASSERT_TRUE(caret.has_value());
    const ScreenPoint expected = FloatingClipboardPositionCalculator::panelOrigin(
        screens_, *caret, FloatingClipboardPositionCalculator::panelSize,
        FloatingClipboardPositionCalculator::gap);

    ASSERT_TRUE(showAndWait(false));
    const QPoint origin = settledPanelOrigin([&](QPoint o) { return near(o, expected); });
    EXPECT_LE(std::abs(origin.x() - expected.x), 2) << origin.x() << " vs " << expected.x;
    EXPECT_LE(std::abs(origin.y() - expected.y), 2) << origin.y() << " vs " << expected.y;
    EXPECT_GE(origin.y(), caret->y + caret->height) << "below the caret's line";
}

TEST_F(FloatingPanelDesktopTest, AColonFragmentShowsSuggestionsAndEscapeClearsThenHides) {
    ASSERT_TRUE(showAndWait());
    auto* field = controller_->floatingPanel().searchField();
    // ":ty" switches to suggestions (no filter word holds "ty", so there are none); ":js" offers JSON.
    QTest::keyClicks(field, ":ty");
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return controller_->isShowingFilterSuggestions(); }));
    // Nothing matches: the empty state's text, not a blank list.
    QLabel* empty = controller_->floatingPanel().emptyStateLabel();
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->text().toStdString(), L10n::text(L10nKey::panelNoHistoryYet));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, "js");
    EXPECT_TRUE(controller_->isShowingFilterSuggestions());
    EXPECT_FALSE(controller_->resultList().state().filterSuggestions().empty());
    EXPECT_FALSE(empty->isVisible());

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(controller_->isShowingFilterSuggestions());
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(controller_->isPanelVisible());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(controller_->isPanelVisible());
}

TEST_F(FloatingPanelDesktopTest, WithTheBusSwitchedOffThePanelOpensAtTheMouse) {
    ASSERT_TRUE(session_->type("abc").has_value()) << session_->failure();
    ASSERT_TRUE(caretOnceRegistered().has_value());
    ASSERT_TRUE(session_->moveMouse(640, 200));
    ASSERT_TRUE(session_->setAccessibilityEnabled(false));
    const ScreenPoint expected = originAtMouse({640, 200});
    ASSERT_TRUE(showAndWait(false));
    const QPoint origin = settledPanelOrigin([&](QPoint o) { return near(o, expected); });
    EXPECT_LE(std::abs(origin.x() - expected.x), 2) << origin.x() << " vs " << expected.x;
    EXPECT_LE(std::abs(origin.y() - expected.y), 2) << origin.y() << " vs " << expected.y;
}

// A single-line field whose text no longer fits has scrolled; its program reports the caret where it would be
// unscrolled, past the field's right edge. The panel opens by the caret as drawn, or at the mouse.
TEST_F(FloatingPanelDesktopTest, OverAScrolledFieldThePanelOpensByTheDrawnCaretNeverOffTheField) {
    const auto field =
        session_->type("The quick brown fox jumps over the lazy dog, then keeps running far far away");
    ASSERT_TRUE(field.has_value()) << session_->failure();
    ASSERT_TRUE(caretOnceRegistered().has_value());
    const auto drawn = session_->drawnCaret();
    ASSERT_TRUE(drawn.has_value());
    ASSERT_LT(drawn->right(), field->right() + 2) << "the field has scrolled";
    ASSERT_TRUE(session_->moveMouse(1000, 900));
    const ScreenPoint atMouse = originAtMouse({1000, 900});

    ASSERT_TRUE(showAndWait(false));
    const auto byCaret = [&](QPoint o) {
        return std::abs(o.x() - drawn->x()) <= 40 && o.x() >= field->left() && o.x() <= field->right() &&
               o.y() >= drawn->bottom() && o.y() <= drawn->bottom() + 40;
    };
    const QPoint origin = settledPanelOrigin([&](QPoint o) { return near(o, atMouse) || byCaret(o); });
    const bool byMouse = near(origin, atMouse);
    RecordProperty("anchor", byMouse ? "mouse" : "caret");
    if (!byMouse) {
        EXPECT_LE(std::abs(origin.x() - drawn->x()), 40)
            << origin.x() << "," << origin.y() << " vs caret " << drawn->x() << "," << drawn->y()
            << "; at the mouse it would be " << atMouse.x << "," << atMouse.y;
        EXPECT_GE(origin.x(), field->left());
        EXPECT_LE(origin.x(), field->right()) << "the panel's left edge stays over the field";
        EXPECT_GE(origin.y(), drawn->bottom()) << "below the caret's line";
        EXPECT_LE(origin.y(), drawn->bottom() + 40);
    }
}

// A GTK 3 field gives up its focus while a held hot key's grab lasts, and comes back to it when the keys go
// up; the panel opens by its caret all the same. Quorvane runs before the field takes the focus, as it does
// from the login on, and the real hot key grab opens the panel.
class FloatingPanelOverGtkFieldDesktopTest : public FloatingPanelDesktopTest {
protected:
    bool usesRealWindowActivation() const override { return true; }
    bool startsTestWindow() const override { return false; }
};

TEST_F(FloatingPanelOverGtkFieldDesktopTest, AHeldHotKeyOpensThePanelByTheCaretSixPressesOfSix) {
    if (DesktopSession::run("/usr/bin/python3", {"-c", "import gi; gi.require_version('Gtk', '3.0')"})
            .exitCode != 0) {
        DESKTOP_SKIP_OR_FAIL("GTK 3 for Python is not installed (scripts/setup installs it)");
    }
    DesktopSession::processEventsFor(300ms);  // the caret lookup connects on its first turn
    ASSERT_TRUE(session_->startWindow("/usr/bin/python3", {QUORVANE_GTK_CARET_TEST_WINDOW}, "focus ",
                                      "Caret test window"))
        << session_->failure();
    const auto field = session_->type("abc");
    ASSERT_TRUE(field.has_value()) << session_->failure();
    const auto caret = session_->drawnCaret();
    ASSERT_TRUE(caret.has_value());
    const QByteArray fieldWindow = DesktopSession::run("xdotool", {"getactivewindow"}).output.trimmed();

    X11HotkeyRegistrar registrar;
    const KeyCombo hotKey = KeyCombo::defaultClipboardHistory();  // Super+Shift+V
    const auto registration = registrar.registerHotkey(hotKey.keyCode, hotKey.modifierFlags, 1);
    ASSERT_EQ(registration.status, HotkeyRegistrar::statusOK);
    const Subscription presses = registrar.installPressHandler([this](const HotkeyRegistrar::Press&) {
        if (controller_->isPanelVisible())
            controller_->hidePanel();
        else
            controller_->showPanel();
    });

    const auto byCaret = [&](QPoint o) {
        return std::abs(o.x() - caret->x()) <= 40 && o.y() >= caret->bottom() &&
               o.y() <= caret->bottom() + 40;
    };
    int openedByCaret = 0;
    for (int press = 1; press <= 6; ++press) {
        // The pointer rests far from the field, where a panel opened at the mouse would show.
        ASSERT_TRUE(session_->moveMouse(1000, 900));
        ASSERT_TRUE(testing::userinput::holdKey("super+shift+v"));
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return controller_->isPanelVisible(); }, 5s))
            << "press " << press;
        const QPoint origin = settledPanelOrigin(byCaret);
        if (byCaret(origin))
            ++openedByCaret;
        else
            ADD_FAILURE() << "press " << press << " opened at " << origin.x() << "," << origin.y()
                          << ", the caret is at " << caret->x() << "," << caret->y();
        ASSERT_TRUE(testing::userinput::holdKey("Escape"));
        // Back in the field, with its caret where it was, before the next press.
        ASSERT_TRUE(DesktopSession::processEventsUntil(
            [&] {
                return !controller_->isPanelVisible() &&
                       DesktopSession::run("xdotool", {"getactivewindow"}).output.trimmed() == fieldWindow;
            },
            5s))
            << "press " << press << " did not give the field back";
        DesktopSession::processEventsFor(200ms);
    }
    EXPECT_EQ(openedByCaret, 6);
}

// Our own window (as a settings window) is active: there is no foreign caret, and asking for ours would wait
// on this very process. The panel opens at the mouse at once.
class FloatingPanelOverOurWindowDesktopTest : public FloatingPanelDesktopTest {
protected:
    bool usesRealWindowActivation() const override { return true; }
    // The test window asks for the focus only until it first has it, then leaves it to ours.
    QStringList testWindowArguments() const override { return {"once"}; }
};

TEST_F(FloatingPanelOverOurWindowDesktopTest, OpensAtTheMouseWithoutLookingForACaret) {
    QWidget settings;
    settings.setWindowTitle("Settings");
    auto* field = new QLineEdit(&settings);
    field->setText("A settings field with a caret");
    settings.resize(400, 200);
    settings.show();
    const auto ours = [&] {
        const auto active = realActivation_->activeWindow();
        return active && active->processIdentifier == std::int64_t(::getpid());
    };
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        if (!ours()) {
            settings.activateWindow();
            field->setFocus();
        }
        return ours();
    }));
    ASSERT_TRUE(session_->moveMouse(700, 300));
    const ScreenPoint atMouse = originAtMouse({700, 300});

    QElapsedTimer elapsed;
    elapsed.start();
    controller_->showPanel();
    controller_->previewCoordinator().disarmAutomaticPreviews();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return controller_->isPanelVisible(); }, 2s));
    // The time is recorded, not judged here (a loaded machine stretches it); what made it long is judged:
    // no caret is asked for, so nothing waits on a call into this very process.
    RecordProperty("milliseconds", int(elapsed.elapsed()));
    EXPECT_EQ(static_cast<CountingAnchorResolver&>(*resolver_).caretLookups, 0);
    EXPECT_FALSE(controller_->returnTarget()) << "our own window is no return target";
    const QPoint origin = settledPanelOrigin([&](QPoint o) { return near(o, atMouse); });
    EXPECT_LE(std::abs(origin.x() - atMouse.x), 2) << origin.x() << " vs " << atMouse.x;
    EXPECT_LE(std::abs(origin.y() - atMouse.y), 2) << origin.y() << " vs " << atMouse.y;
}

// A screen reader on the bus reads the panel's field and rows and the bubble's text.
class FloatingPanelAccessibilityTest : public FloatingPanelDesktopTest {
protected:
    bool joinsAccessibilityBus() const override { return true; }
    // The test window must not take the focus back: the panel hides when it loses it.
    QStringList testWindowArguments() const override { return {"once"}; }
};

TEST_F(FloatingPanelAccessibilityTest, AScreenReaderReadsTheRowsAndTheBubble) {
    using testing::AtSpiNode;
    using testing::AtSpiTreeReader;
    QCursor::setPos(300, 120);
    ASSERT_TRUE(showAndWait());
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return controller_->previewPresenter().isShowing(); }));
    AtSpiTreeReader reader(session_->sessionBusAddress());
    std::vector<AtSpiNode> tree;
    std::vector<AtSpiNode> rows;
    bool bubbleRead = false;
    // The bubble fills its text a moment after it shows.
    DesktopSession::processEventsUntil(
        [&] {
            tree = reader.tree();
            const auto lists = AtSpiTreeReader::find(tree, "list");
            rows = lists.empty() ? std::vector<AtSpiNode>{} : AtSpiTreeReader::childrenOf(tree, lists[0]);
            for (const AtSpiNode& node : AtSpiTreeReader::find(tree, "text")) {
                if (reader.text(node) == QStringLiteral("Quorvane keeps what you copy")) bubbleRead = true;
            }
            return rows.size() == 3 && bubbleRead;
        },
        60s);
    ASSERT_EQ(rows.size(), 3u) << "the bus shows: " << testing::describe(tree).toStdString();
    EXPECT_EQ(rows[0].name, "Quorvane keeps what you copy");
    EXPECT_TRUE(rows[0].has(ATSPI_STATE_SELECTED));
    EXPECT_EQ(AtSpiTreeReader::find(tree, "text", "Search").size(), 1u);
    EXPECT_EQ(AtSpiTreeReader::find(tree, "push button", "Copy and Return").size(), 1u);
    EXPECT_TRUE(bubbleRead) << "the bubble's text";
}

// Clicks with the mouse on the panel, anywhere but its search field, leave the typing with the field.
class FloatingPanelMouseTest : public FloatingPanelDesktopTest {
protected:
    bool usesAccessibleDesktop() const override { return false; }

    // Waits until the X server has the list where Qt has it: the bubble resizes the window, the window
    // manager applies that in its own time, and a click aimed from Qt's idea meanwhile lands elsewhere.
    bool placed() const {
        QWidget* surface = controller_->floatingPanel().rootView()->listSurfaceView();
        return DesktopSession::processEventsUntil(
            [&] { return panelOrigin() == surface->mapToGlobal(QPoint(0, 0)); });
    }
};

TEST_F(FloatingPanelMouseTest, TypingReachesTheSearchFieldAfterClicksAnywhereElse) {
    namespace input = testing::userinput;
    defaults_.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, true);
    activation_.setActiveWindow(ReturnTarget{4242, 77});
    QCursor::setPos(300, 120);
    ASSERT_TRUE(showAndWait());
    auto& panel = controller_->floatingPanel();
    auto* field = panel.searchField();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return field->hasFocus(); }));
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return controller_->previewPresenter().isShowing(); }));
    DesktopSession::processEventsFor(200ms);
    const auto typed = [&](const QString& keys, const QString& expected) {
        EXPECT_TRUE(input::typeText(keys));
        return DesktopSession::processEventsUntil([&] { return field->text() == expected; }, 3s);
    };

    // The surface's margin beside the list; the arrows still move through the list.
    QWidget* surface = panel.rootView()->listSurfaceView();
    ASSERT_TRUE(placed());
    ASSERT_TRUE(input::click(surface->mapToGlobal(QPoint(4, surface->height() / 2))));
    ASSERT_TRUE(input::holdKey("Down"));
    EXPECT_TRUE(DesktopSession::processEventsUntil(
        [&] { return controller_->resultList().state().selectedIndex() == 1; }));
    EXPECT_TRUE(typed("no", "no")) << field->text().toStdString();

    // The footer left of its buttons, then a row's menu closed with Escape.
    ASSERT_TRUE(placed());
    ASSERT_TRUE(input::click(surface->mapToGlobal(QPoint(16, surface->height() - 14))));
    EXPECT_TRUE(typed("t", "not")) << field->text().toStdString();
    auto& list = controller_->resultList();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return list.state().items().size() == 1; }));
    ASSERT_TRUE(placed());
    ASSERT_TRUE(input::click(list.screenRectForRow(0)->center(), 3));
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return list.contextMenu() && list.contextMenu()->isVisible(); }));
    DesktopSession::processEventsFor(150ms);
    ASSERT_TRUE(input::holdKey("Escape"));
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return !list.contextMenu() || !list.contextMenu()->isVisible(); }));
    ASSERT_TRUE(controller_->isPanelVisible()) << "closing the menu keeps the panel";
    EXPECT_TRUE(typed("e", "note")) << field->text().toStdString();

    ASSERT_TRUE(input::holdKey("Return"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return poster_.postCount() == 1; }, 5s))
        << "nothing was pasted";
    EXPECT_EQ(pasteboard_.string(),
              std::optional<std::string>("Meeting notes\nBring the slides\nBook the room"));
}

// With nothing on this desktop to open links or files, Open With (its key) and Open Link (the row's menu) say
// so in an alert and a warning, as in the centred panel.
TEST_F(FloatingPanelMouseTest, OpenWithAndOpenLinkThatNothingTakesAreReported) {
    namespace input = testing::userinput;
    const std::string link = "https://example.invalid/page";
    history_->entries[0] = testing::textEntry("t1", link);
    history_->contents["t1"].content = link;
    testing::FailingEntryActions failing(*viewModel_);
    controller_->setItemActions(&failing.actions);
    testing::LogCapture log;
    QCursor::setPos(300, 120);

    ASSERT_TRUE(showAndWait(false));
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return controller_->floatingPanel().window()->isActiveWindow(); }));
    DesktopSession::processEventsFor(200ms);
    ASSERT_TRUE(input::holdKey("ctrl+o"));
    EXPECT_TRUE(testing::reportedCannotOpen(log,
                                            "[FloatingClipboardPanelController] Cannot open with default app",
                                            "Opened text with default app"));
    ASSERT_TRUE(showAndWait(false));
    DesktopSession::processEventsFor(200ms);
    ASSERT_TRUE(testing::chooseFromRowMenu(controller_->resultList(), 0, "Open Link"));
    EXPECT_TRUE(testing::reportedCannotOpen(
        log,
        "[FloatingClipboardPanelController] Cannot open link: no application opened https://example.invalid",
        "Opened link"));
    controller_->setItemActions(nullptr);
}

// A row dragged out of the floating panel onto another program's window, over the X drag-and-drop protocol.
TEST_F(FloatingPanelMouseTest, ARowDraggedOntoAnotherProgramsWindowDeliversItsText) {
    namespace input = testing::userinput;
    QCursor::setPos(300, 120);
    ASSERT_TRUE(showAndWait());
    QWidget* window = controller_->floatingPanel().window();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window->isActiveWindow(); }));
    DesktopSession::processEventsFor(200ms);
    const QRect panelFrame = window->frameGeometry();
    testing::DropTargetProcess target;
    const auto frame = target.start(QPoint(panelFrame.left(), panelFrame.bottom() + 40));
    ASSERT_TRUE(frame) << "the drop target did not show: " << target.output();
    ASSERT_FALSE(frame->intersects(panelFrame));

    auto& list = controller_->resultList();
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return controller_->previewPresenter().isShowing(); }));
    ASSERT_TRUE(placed());
    const auto row = list.screenRectForRow(2);
    ASSERT_TRUE(row);
    ASSERT_EQ(list.state().items()[2].id, "t2");
    // Let go as a person does, once the pointer shows the target takes the drop: the target's answer
    // reaching the panel after the release cancels the drag.
    const auto taken = [&] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return !target.lastLine("enter ").isEmpty() && cursor && cursor->shape() != Qt::ForbiddenCursor;
    };
    ASSERT_TRUE(input::dragAndDropWhen(row->center(), frame->center(), taken, 20));
    ASSERT_TRUE(target.waitForLine("dropped")) << target.output();
    EXPECT_EQ(target.lastLine("text ").toStdString(), "Meeting notes\\nBring the slides\\nBook the room")
        << target.output();
}

class FloatingPanelScreenshotTest : public FloatingPanelDesktopTest,
                                    public ::testing::WithParamInterface<std::tuple<bool, bool>> {
protected:
    // No other window: nothing takes the focus back from the panel while it is photographed.
    bool usesAccessibleDesktop() const override { return false; }

    void SetUp() override {
        FloatingPanelDesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        dark_ = std::get<0>(GetParam());
        chinese_ = std::get<1>(GetParam());
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setPalette(dark_ ? testing::darkTestPalette() : testing::lightTestPalette());
        QFont font("DejaVu Sans");
        font.setPointSizeF(10);
        QApplication::setFont(font);
        if (chinese_) languageDefaults_.set(AppLanguage::defaultsKey, std::string("zh-Hans"));
        addImageEntry("i1");
        language_ = std::make_unique<StandardAppLanguage>(languageDefaults_);
        QDir().mkpath(QUORVANE_SCREENSHOT_DIR);
    }
    void TearDown() override {
        FloatingPanelDesktopTest::TearDown();
        language_.reset();
        QApplication::setPalette(QApplication::style()->standardPalette());
    }

    void addImageEntry(const std::string& id) {
        history_->entries.push_back(testing::imageEntry(id));
        ClipboardHistoryContentSnapshot content;
        content.id = id;
        content.imageData = testing::gradientPicture({240, 160}, QColor(40, 120, 220), QColor(250, 190, 60),
                                                     QStringLiteral("Quorvane 图像"), QApplication::font());
        history_->contents[id] = content;
    }

    // The window as drawn, and the screen around it as the X server shows it: without a compositor the
    // window's mask is all that keeps its box from showing.
    void save(const QString& state) {
        auto* window = controller_->floatingPanel().window();
        const QString suffix =
            QStringLiteral("%1-%2-%3.png").arg(state, dark_ ? "dark" : "light", chinese_ ? "zh" : "en");
        const QString name = QStringLiteral("%1/floating-%2").arg(QUORVANE_SCREENSHOT_DIR, suffix);
        ASSERT_TRUE(window->grab().toImage().save(name)) << name.toStdString();
        const QRect around = window->frameGeometry().adjusted(-24, -24, 24, 24);
        const QImage screen = QGuiApplication::primaryScreen()
                                  ->grabWindow(0, around.x(), around.y(), around.width(), around.height())
                                  .toImage();
        const QString screenName =
            QStringLiteral("%1/floating-screen-%2").arg(QUORVANE_SCREENSHOT_DIR, suffix);
        ASSERT_TRUE(screen.save(screenName)) << screenName.toStdString();
        checkMaskedCorners(screen, window->frameGeometry().translated(-around.topLeft()));
    }

    // Outside the panel's and the bubble's rounded outlines the desktop shows through: the window's
    // corners (and with a bubble, the corner of its box past the arrow) are the desktop's colour.
    void checkMaskedCorners(const QImage& screen, const QRect& window) {
        const QRgb desktop = screen.pixel(2, 2);
        for (const QPoint corner :
             {window.topLeft() + QPoint(1, 1), window.topRight() + QPoint(-1, 1),
              window.bottomLeft() + QPoint(1, -1), window.bottomRight() + QPoint(-1, -1)}) {
            EXPECT_EQ(screen.pixel(corner), desktop) << "window corner " << corner.x() << "," << corner.y();
        }
    }

    bool dark_ = false;
    bool chinese_ = false;
    InMemoryUserDefaults languageDefaults_;
    std::unique_ptr<StandardAppLanguage> language_;
};

TEST_P(FloatingPanelScreenshotTest, PanelWithItsPreviewBubble) {
    QCursor::setPos(300, 120);
    ASSERT_TRUE(showAndWait());
    // The automatic preview of the newest entry, then the JSON entry pinned and formatted.
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return controller_->previewPresenter().isShowing(); }));
    DesktopSession::processEventsFor(300ms);
    save("bubble-text");
    controller_->moveSelection(false);
    controller_->togglePinnedPreview();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        auto* view = controller_->previewPresenter().previewView();
        return controller_->previewPresenter().isShowing() && view &&
               view->textView()->toPlainText().contains(QStringLiteral("\"Quorvane\""));
    }));
    auto* view = controller_->previewPresenter().previewView();
    EXPECT_TRUE(view->isShowingFormattedText()) << "a pinned JSON bubble is formatted at once";
    DesktopSession::processEventsFor(300ms);
    save("bubble-json");
    controller_->moveSelection(false);
    controller_->moveSelection(false);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        auto* bubble = controller_->previewPresenter().previewView();
        return controller_->previewPresenter().isShowing() && bubble && bubble->isShowingImage();
    }));
    DesktopSession::processEventsFor(300ms);
    save("bubble-image");
    controller_->floatingPanel().setSearchText(":js");
    controller_->searchTextDidChange(":js");
    DesktopSession::processEventsFor(200ms);
    save("suggestions");
}

INSTANTIATE_TEST_SUITE_P(Palettes, FloatingPanelScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

}  // namespace
}  // namespace quorvane
