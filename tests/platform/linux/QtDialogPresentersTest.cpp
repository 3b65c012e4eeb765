#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/linux/QtAlertPresenter.h"
#include "platform/linux/QtFolderPicker.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

QApplication& application() {
    return testing::qtTestApplication();
}

template <class Dialog>
Dialog* openDialog() {
    QApplication::processEvents();
    return qobject_cast<Dialog*>(QApplication::activeModalWidget());
}

// Runs the event loop until `done` holds or two seconds have passed.
bool processEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class QtDialogPresentersTest : public ::testing::Test {
protected:
    QtDialogPresentersTest() { application(); }
    ~QtDialogPresentersTest() override {
        for (QWidget* widget : QApplication::topLevelWidgets()) delete widget;
    }

    std::vector<std::optional<std::size_t>> answers_;
};

TEST_F(QtDialogPresentersTest, AlertKeepsTheButtonOrderAndReportsThePressedButton) {
    QtAlertPresenter presenter;
    for (const auto& [file, alert] : std::vector<std::pair<const char*, Alert>>{
             {"alert-confirm-change-en.png",
              {AlertStyle::critical,
               "Confirm Change",
               "Clipboard data will be copied to:\n/media/clips/QuorvaneData\n\nContinue?",
               {"Cancel", "Confirm Migration"}}},
             {"alert-confirm-change-zh.png",
              {AlertStyle::critical,
               "确认更改",
               "剪贴板数据将被复制到：\n/media/clips/QuorvaneData\n\n是否继续？",
               {"取消", "确认迁移"}}}}) {
        SCOPED_TRACE(file);
        answers_.clear();
        presenter.present(alert, [this](auto pressed) { answers_.push_back(pressed); });
        auto* box = openDialog<QMessageBox>();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().toStdString(), alert.messageText);
        EXPECT_EQ(box->informativeText().toStdString(), alert.informativeText);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        auto buttons = box->buttons();
        ASSERT_EQ(buttons.size(), 2);
        std::sort(buttons.begin(), buttons.end(),
                  [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
        EXPECT_EQ(buttons[0]->text().toStdString(), alert.buttonTitles[0]);
        EXPECT_EQ(buttons[1]->text().toStdString(), alert.buttonTitles[1]);
        EXPECT_EQ(box->defaultButton(), buttons[0]);
        box->grab().save(testing::screenshotFolder("dialogs") + "/" + file);
        EXPECT_TRUE(answers_.empty());

        buttons[1]->click();
        ASSERT_TRUE(processEventsUntil([this] { return !answers_.empty(); }));
        EXPECT_EQ(answers_, std::vector<std::optional<std::size_t>>{1});
    }
}

TEST_F(QtDialogPresentersTest, EscapePressesTheFirstButtonAndAClosedAlertAnswersNothingOnce) {
    QtAlertPresenter presenter;
    const Alert alert{AlertStyle::warning, "Change Storage Directory", "Continue?", {"Cancel", "Go"}};
    presenter.present(alert, [this](auto pressed) { answers_.push_back(pressed); });
    auto* box = openDialog<QMessageBox>();
    ASSERT_NE(box, nullptr);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(box, &escape);
    ASSERT_TRUE(processEventsUntil([this] { return !answers_.empty(); }));
    EXPECT_EQ(answers_, std::vector<std::optional<std::size_t>>{0});

    answers_.clear();
    presenter.present(alert, [this](auto pressed) { answers_.push_back(pressed); });
    box = openDialog<QMessageBox>();
    ASSERT_NE(box, nullptr);
    delete box;
    QApplication::processEvents();
    EXPECT_EQ(answers_, std::vector<std::optional<std::size_t>>{std::nullopt});
}

TEST_F(QtDialogPresentersTest, AnAlertBelongsToTheWindowThatAskedAndBlocksOnlyIt) {
    QtAlertPresenter presenter;
    const Alert alert{AlertStyle::warning, "Copy Failed", "Unable to copy.", {"OK"}};
    presenter.present(alert, [this](auto pressed) { answers_.push_back(pressed); });
    auto* box = openDialog<QMessageBox>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), nullptr) << "no window asked";
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    box->accept();
    ASSERT_TRUE(processEventsUntil([this] { return !answers_.empty(); }));

    // Goes before the fixture deletes the remaining windows, and takes its alert along.
    auto asking = std::make_unique<QWidget>();
    asking->setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    asking->show();
    asking->activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return QApplication::activeWindow() == asking.get(); }));
    presenter.present(alert, [this](auto pressed) { answers_.push_back(pressed); });
    box = openDialog<QMessageBox>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), asking.get());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "its window stays on top";
}

// A window that stays on top of the others (a pin window) must never cover a dialog: one that belongs to no
// window on show, or to a window that stays on top, stays on top itself; one of an ordinary window need not.
TEST_F(QtDialogPresentersTest, ADialogStaysOnTopUnlessItsOwnOrdinaryWindowIsOnShow) {
    const Alert alert{AlertStyle::warning, "Save Failed", "Unable to save.", {"OK"}};
    const auto presentFor = [&](QWidget* owner) {
        QtAlertPresenter(owner).present(alert, [](auto) {});
        return openDialog<QMessageBox>();
    };
    QMessageBox* box = presentFor(nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "no window";
    delete box;

    auto ordinary = std::make_unique<QWidget>();
    ordinary->show();
    box = presentFor(ordinary.get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), ordinary.get());
    EXPECT_FALSE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "an ordinary window on show";
    delete box;

    // A panel that hid before it asked.
    ordinary->hide();
    box = presentFor(ordinary.get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), ordinary.get());
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "a hidden window";
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
}

TEST_F(QtDialogPresentersTest, FolderPickerChoosesFoldersOnlyShowsTheMessageAndMayBeCancelled) {
    testing::TemporaryDirectory directory;
    fs::create_directories(directory / "clips");
    QtFolderPicker picker;
    std::vector<std::optional<fs::path>> folders;
    const FolderPickerRequest request{
        "Select Storage Directory", "Choose a directory to store clipboard history data.", directory.path()};
    picker.chooseFolder(request, [&](auto folder) { folders.push_back(folder); });
    auto* dialog = openDialog<QFileDialog>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(fs::path(dialog->directory().absolutePath().toStdString()), directory.path());
    EXPECT_EQ(dialog->windowTitle().toStdString(), request.title);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_TRUE(dialog->filter().testFlag(QDir::Hidden));
    auto* message = dialog->findChild<QLabel*>("folderPickerMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text().toStdString(), request.message);
    // Every column title is readable at the size the picker opens with.
    auto* details = dialog->findChild<QTreeView*>("treeView");
    ASSERT_NE(details, nullptr);
    processEventsUntil([&] { return details->model()->rowCount(details->rootIndex()) > 0; });
    QHeaderView* header = details->header();
    for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column)) continue;
        const QString title = header->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(column), header->fontMetrics().horizontalAdvance(title) + 8)
            << title.toStdString();
    }
    EXPECT_LE(header->sectionViewportPosition(header->count() - 1) + header->sectionSize(header->count() - 1),
              details->viewport()->width());
    dialog->grab().save(testing::screenshotFolder("dialogs") + "/folder-picker-en.png");

    // In folder mode the folder shown is the one chosen.
    dialog->setDirectory(QString::fromStdString((directory / "clips").string()));
    static_cast<QDialog*>(dialog)->accept();
    ASSERT_TRUE(processEventsUntil([&] { return !folders.empty(); }));
    EXPECT_EQ(folders, std::vector<std::optional<fs::path>>{directory / "clips"});

    folders.clear();
    picker.chooseFolder(request, [&](auto folder) { folders.push_back(folder); });
    dialog = openDialog<QFileDialog>();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_TRUE(processEventsUntil([&] { return !folders.empty(); }));
    EXPECT_EQ(folders, std::vector<std::optional<fs::path>>{std::nullopt});
}

}  // namespace
}  // namespace quorvane
