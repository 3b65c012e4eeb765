// A pin window under a real window manager (openbox): it stays above other windows, so its questions and
// dialogs must stay above it. Each is checked in the window manager's own stacking order and answered with
// held keys, as a person would. The text-recognition window beside it is worked by the keys alone too.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <memory>
#include <optional>

#include "app/model/AppMainMenu.h"
#include "app/model/FakeAppUpdater.h"
#include "app/widgets/MainMenuShortcuts.h"
#include "desktop/DesktopSession.h"
#include "desktop/OpenboxWindowManager.h"
#include "desktop/RenderedImages.h"
#include "desktop/ShownDialogs.h"
#include "desktop/UserInput.h"
#include "desktop/WindowStacking.h"
#include "panel/support/PinWindowDoubles.h"
#include "panel/widgets/OCRWindowPresenter.h"
#include "panel/widgets/PinWindow.h"
#include "platform/linux/QtAlertPresenter.h"
#include "platform/linux/QtClipboardPasteboard.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "support/TemporaryDirectory.h"
#include "support/XvfbServer.h"

namespace quorvane {
namespace {

using testing::DesktopSession;
using namespace std::chrono_literals;
namespace input = testing::userinput;

class PinWindowDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        ASSERT_TRUE(windowManager_.start());
    }
    void TearDown() override { delete window_.data(); }

    static QMessageBox* openAlert() { return testing::shownDialog<QMessageBox>(); }
    static QFileDialog* openFileDialog() { return testing::shownDialog<QFileDialog>(); }

    // The whole screen as the user sees it, saved for looking at.
    static void saveScreen(const QString& name) {
        QDir().mkpath(QUORVANE_SCREENSHOT_DIR);
        DesktopSession::processEventsFor(300ms);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        ASSERT_FALSE(screen.isNull());
        ASSERT_TRUE(screen.save(QStringLiteral(QUORVANE_SCREENSHOT_DIR "/") + name + ".png"));
    }

    // A pin window of the picture in `png`, shown; waits until it has the focus.
    void presentImagePinWindow(const Data& png, Pasteboard& pasteboard) {
        ClipboardHistoryIndexSnapshot entry;
        entry.id = "picture";
        entry.contentType = ClipboardContentType::image;
        ClipboardHistoryContentSnapshot content;
        content.imageData = png;
        window_ = PinWindow::make(entry, content, {}, PinWindowServices::desktop(pasteboard));
        window_->present();
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window_->isActiveWindow(); }, 15s));
    }

    // A pin window of "pinned text", shown with the keyboard; by default with this desktop's own dialogs.
    void presentPinWindow(std::optional<PinWindowServices> services = std::nullopt) {
        ClipboardHistoryIndexSnapshot entry;
        entry.id = "pinned";
        ClipboardHistoryContentSnapshot content;
        content.content = "pinned text";
        window_ =
            PinWindow::make(entry, content, {}, services.value_or(PinWindowServices::desktop(pasteboard_)));
        window_->present();
        // A busy machine's window manager may take a while to hand the new window the focus.
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window_->isActiveWindow(); }, 15s));
        DesktopSession::processEventsFor(200ms);
    }

    // Edits the text and closes the window with a held Escape: "Save Changes?" shows above the window, modal
    // to it only, and takes the keyboard. Null when it did not show.
    QMessageBox* editAndClose() {
        window_->textEditor()->moveCursor(QTextCursor::End);
        EXPECT_TRUE(input::typeText("x"));
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return window_->state().hasUnsavedChanges(); }));
        EXPECT_TRUE(input::holdKey("Escape"));
        QMessageBox* box = testing::awaitShownDialog<QMessageBox>();
        if (!box) return nullptr;
        EXPECT_EQ(box->parentWidget(), window_.data());
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        // Openbox lists the alert above the window that stays on top.
        EXPECT_TRUE(testing::stackedAbove(*box, *window_));
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return box->isActiveWindow(); }, 5s));
        return box;
    }

    testing::OpenboxWindowManager windowManager_;
    testing::FakeSavePanelPresenter savePanel_;
    QtAlertPresenter alerts_;
    InMemoryPasteboard pasteboard_;
    QPointer<PinWindow> window_;
};

TEST_F(PinWindowDesktopTest, SaveChangesShowsAboveThePinWindowAndEscapeAnswersCancel) {
    presentPinWindow(testing::forwardingPinWindowServices(savePanel_, alerts_, pasteboard_));
    ASSERT_FALSE(HasFatalFailure());
    QMessageBox* box = editAndClose();
    ASSERT_TRUE(box);
    ASSERT_TRUE(input::holdKey("Escape"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return openAlert() == nullptr; }, 5s));
    DesktopSession::processEventsFor(200ms);
    ASSERT_TRUE(window_);
    EXPECT_TRUE(window_->isVisible()) << "Cancel keeps the window";
    EXPECT_EQ(window_->textEditor()->toPlainText(), "pinned textx");
    EXPECT_TRUE(savePanel_.requests.empty()) << "Cancel saves nothing";
}

TEST_F(PinWindowDesktopTest, AFailingSaveShowsItsDialogAndSaveFailedAboveThePinWindow) {
    presentPinWindow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(input::holdKey("ctrl+s"));
    QFileDialog* dialog = testing::awaitShownDialog<QFileDialog>();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->parentWidget(), window_.data());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(testing::stackedAbove(*dialog, *window_));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return dialog->isActiveWindow(); }, 5s));
    saveScreen("pin-window-save-dialog");

    // The chosen folder turns into a file before the save: the write fails, even for root.
    testing::TemporaryDirectory folder;
    const auto gone = folder / "gone";
    std::filesystem::create_directory(gone);
    dialog->selectFile(QString::fromStdString((gone / "pinned.txt").string()));
    DesktopSession::processEventsFor(200ms);
    std::filesystem::remove(gone);
    std::ofstream(gone) << "in the way";
    ASSERT_TRUE(input::holdKey("Return"));
    QMessageBox* box = testing::awaitShownDialog<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "Save Failed");
    EXPECT_EQ(box->parentWidget(), window_.data());
    EXPECT_TRUE(testing::stackedAbove(*box, *window_));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return box->isActiveWindow(); }, 5s));
    saveScreen("pin-window-save-failed");

    ASSERT_TRUE(input::holdKey("Return"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return openAlert() == nullptr; }, 5s));
    ASSERT_TRUE(window_);
    EXPECT_TRUE(window_->isVisible()) << "a failed save keeps the window";
    EXPECT_FALSE(std::filesystem::exists(gone / "pinned.txt"));
}

TEST_F(PinWindowDesktopTest, SaveInSaveChangesOpensTheSaveDialogAboveThePinWindow) {
    presentPinWindow();
    ASSERT_FALSE(HasFatalFailure());
    QMessageBox* box = editAndClose();
    ASSERT_TRUE(box);
    // Save is the default button.
    ASSERT_TRUE(input::holdKey("Return"));
    QFileDialog* dialog = testing::awaitShownDialog<QFileDialog>();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->parentWidget(), window_.data());
    EXPECT_TRUE(testing::stackedAbove(*dialog, *window_));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return dialog->isActiveWindow(); }, 5s));

    ASSERT_TRUE(input::holdKey("Escape"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return openFileDialog() == nullptr; }, 5s));
    ASSERT_TRUE(window_);
    EXPECT_TRUE(window_->isVisible()) << "a cancelled save keeps the window and its edit";
}

// The main thread keeps answering while a 4000 x 4000 picture is pinned: a timer due every 10 ms never
// waits 100 ms (generous on a busy machine) from before the window is made until the picture is drawn.
TEST_F(PinWindowDesktopTest, PinningAHugePictureNeverStallsTheProgram) {
    const Data png = testing::gradientPicture({4000, 4000}, QColor(255, 149, 0), QColor(0, 122, 255),
                                              "Quorvane", QFont("DejaVu Sans", 300, QFont::Bold));
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    // The program has shown windows before: the first one of this process (fonts, style, the connection's
    // set-up) is not what is measured.
    presentPinWindow();
    ASSERT_FALSE(HasFatalFailure());
    delete window_.data();
    ticks.start();
    DesktopSession::processEventsFor(100ms);
    longestGap = 0;
    lastTick = 0;
    clock.start();

    presentImagePinWindow(png, pasteboard_);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return !window_->isDecodingImage(); }, 30s));
    // The first frames with the picture in it.
    DesktopSession::processEventsFor(300ms);
    ticks.stop();
    longestGap = std::max(longestGap, clock.elapsed() - lastTick);
    EXPECT_LT(longestGap, 100) << "the main thread stopped answering for " << longestGap << " ms";

    // Decoded no larger than the window can ever show it, which is not larger than 1000 x 800.
    const QSize pixels = window_->shownImagePixels();
    const double ratio = window_->devicePixelRatioF();
    EXPECT_EQ(pixels.width(), pixels.height());
    EXPECT_GT(pixels.width(), 100);
    EXPECT_LE(pixels.height(), int(800 * ratio + 0.5));
    const QImage drawn = window_->grab().toImage();
    EXPECT_NE(drawn.pixelColor(drawn.width() / 2, drawn.height() * 3 / 4),
              window_->palette().window().color())
        << "the picture is drawn";
    QDir().mkpath(QUORVANE_SCREENSHOT_DIR);
    EXPECT_TRUE(drawn.save(QStringLiteral(QUORVANE_SCREENSHOT_DIR "/pin-window-huge-picture.png")));
}

// In an image pin, Ctrl+C held as a person holds it copies the picture, with the program's main menu keys
// attached to the window as they are in the program.
TEST_F(PinWindowDesktopTest, CtrlCInAnImagePinPutsThePictureOnTheClipboard) {
    QtMainQueue mainQueue;
    NotificationCenter notifications{mainQueue};
    FakeAppUpdater updater;
    AppMainMenu menu{updater, mainQueue, notifications, "Quorvane"};
    std::vector<AppMenuAction> performed;
    MainMenuShortcuts shortcuts{menu, [&](AppMenuAction action) { performed.push_back(action); }};
    QtClipboardPasteboard clipboard;

    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 60));
    const Data png = testing::encoded(picture);
    presentImagePinWindow(png, clipboard);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return !window_->isDecodingImage(); }, 15s));
    const int changes = clipboard.changeCount();

    ASSERT_TRUE(input::holdKey("ctrl+c"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return clipboard.changeCount() != changes; }, 5s))
        << "Ctrl+C copied nothing";
    // Read back by another program, as a paste would.
    const auto pasted = DesktopSession::run("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"});
    ASSERT_EQ(pasted.exitCode, 0);
    const QImage copied = QImage::fromData(pasted.output, "PNG");
    ASSERT_EQ(copied.size(), picture.size());
    EXPECT_EQ(copied.pixelColor(10, 10), QColor(200, 30, 60));
    EXPECT_TRUE(performed.empty());
}

class FixedRecognizer final : public ClipboardImageTextRecognizing {
public:
    void recognizeText(Data, std::function<void(std::string)> completion) override {
        completion("Total 5.70");
    }
};

TEST_F(PinWindowDesktopTest, TabReachesTheRecognitionWindowsCopyButtonAndSpaceCopies) {
    FixedRecognizer recognizer;
    QtMainQueue mainQueue;
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPointer<OCRWindow> window =
        presentOCRWindow(testing::encoded(picture), OCRWindowServices{recognizer, mainQueue, pasteboard_});
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return window->isActiveWindow() && window->textEditor()->toPlainText() == "Total 5.70"; },
        15s));
    window->textEditor()->setFocus();
    DesktopSession::processEventsFor(200ms);

    ASSERT_TRUE(input::holdKey("Tab"));
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return window->copyButton()->hasFocus(); }, 5s))
        << "the focus is on "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing");
    EXPECT_EQ(window->textEditor()->toPlainText(), "Total 5.70") << "Tab typed nothing into the text";
    ASSERT_TRUE(input::holdKey("space"));
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return pasteboard_.string() == "Total 5.70"; }, 5s));
    delete window.data();
}

}  // namespace
}  // namespace quorvane
