// The running service end to end: the real quorvane program on the test display, fed by other programs'
// copies, checked through its two database files.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "desktop/DesktopSession.h"
#include "desktop/FakeDesktop.h"
#include "desktop/RenderedImages.h"
#include "desktop/TestSelectionOwner.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "preferences/SettingsAccessors.h"
#include "searchindex/ClipboardSearchIndexSchema.h"
#include "searchindex/ClipboardSearchTokenizers.h"
#include "sqlite/SQLiteDatabase.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using testing::DesktopSession;
using testing::FakeDesktop;
using testing::TemporaryDirectory;
using namespace std::chrono_literals;

// Rows as text, read through a read-only connection of our own; empty when the file cannot be read (yet).
std::vector<std::vector<std::optional<std::string>>> query(const std::filesystem::path& file,
                                                           const std::string& sql) {
    std::vector<std::vector<std::optional<std::string>>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                auto& row = rows.emplace_back();
                for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                    const auto* text = sqlite3_column_text(statement, column);
                    row.push_back(text ? std::optional<std::string>(reinterpret_cast<const char*>(text))
                                       : std::nullopt);
                }
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

QByteArray bytesOf(const Data& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), data.size());
}

class QuorvaneServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        desktop_ = std::make_unique<FakeDesktop>();
        // Nothing is active: copies come from no program in particular.
        desktop_->clearActive();
        desktop_->sync();
    }
    void TearDown() override {
        if (service_.state() != QProcess::NotRunning) {
            service_.kill();
            service_.waitForFinished(5000);
        }
    }

    std::filesystem::path storage() const { return directory_ / "storage"; }
    std::filesystem::path historyFile() const { return storage() / "clipboard_history.sqlite"; }
    std::filesystem::path indexFile() const { return storage() / "clipboard_search.sqlite"; }

    // Settings the service finds in its configuration folder at start.
    JsonFileUserDefaults settings() const {
        return JsonFileUserDefaults(directory_ / "config/Quorvane/settings.json");
    }

    // The environment of a user session of its own, so tests running side by side never meet.
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((directory_ / "config").string()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString((directory_ / "data").string()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((directory_ / "runtime").string()));
        environment.insert("QUORVANE_STORAGE_DIRECTORY", QString::fromStdString(storage().string()));
        return environment;
    }

    void start() {
        // Past the first-run wizard: copies made while a window of ours is in front are not recorded.
        JsonFileUserDefaults defaults = settings();
        if (!defaults.contains("DidCompleteOnboarding")) defaults.set("DidCompleteOnboarding", true);
        service_.setProcessEnvironment(environment());
        service_.setProcessChannelMode(QProcess::MergedChannels);
        service_.start(QUORVANE_EXECUTABLE, {});
        ASSERT_TRUE(service_.waitForStarted(5000));
        ASSERT_TRUE(waitForLog("Application did finish launching")) << log_.toStdString();
        // Capture runs once the services are built, before the coordinator starts: a copy made earlier counts
        // as found at start and is not recorded.
        ASSERT_TRUE(waitForLog("App coordinator started")) << log_.toStdString();
    }

    // Launches another quorvane in `session` and waits until it ended, which it must do normally with exit
    // code 0; its output goes to `log`.
    void launchSecondAndWaitForItsEnd(const QProcessEnvironment& session, QByteArray& log) {
        QProcess second;
        second.setProcessEnvironment(session);
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(QUORVANE_EXECUTABLE, {});
        ASSERT_TRUE(second.waitForStarted(5000));
        ASSERT_TRUE(
            DesktopSession::processEventsUntil([&] { return second.state() == QProcess::NotRunning; }, 15s));
        log = second.readAll();
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
    }

    bool waitForLog(const char* fragment) {
        return DesktopSession::processEventsUntil(
            [&] {
                log_ += service_.readAll();
                return log_.contains(fragment);
            },
            15s);
    }

    // Waits until `sql` on `file` gives `expected` (the first column of each row).
    std::vector<std::string> firstColumn(const std::filesystem::path& file, const std::string& sql) {
        std::vector<std::string> values;
        for (const auto& row : query(file, sql)) values.push_back(row.at(0).value_or("<null>"));
        return values;
    }
    bool waitFor(const std::filesystem::path& file, const std::string& sql,
                 const std::vector<std::string>& expected, std::chrono::milliseconds timeout = 20s) {
        return DesktopSession::processEventsUntil([&] { return firstColumn(file, sql) == expected; },
                                                  timeout);
    }
    ::testing::AssertionResult waitForContents(const std::vector<std::string>& contents) {
        const std::string sql =
            "SELECT content, createdAt FROM ClipboardHistoryContent JOIN ClipboardHistoryIndex "
            "USING (id) ORDER BY content";
        if (waitFor(historyFile(), sql, contents)) return ::testing::AssertionSuccess();
        auto failure = ::testing::AssertionFailure() << "stored:";
        for (const auto& content : firstColumn(historyFile(), sql)) failure << " [" << content << "]";
        return failure << "\n" << (log_ += service_.readAll()).toStdString();
    }
    void expectCleanStopOn(int signalNumber);

    // Both files hold the same entries.
    void expectIndexMatchesHistory() {
        const auto ids = firstColumn(historyFile(), "SELECT id FROM ClipboardHistoryIndex ORDER BY id");
        EXPECT_TRUE(waitFor(indexFile(), "SELECT item_id FROM documents ORDER BY item_id", ids));
    }
    // Our own program offers `mime` on the clipboard and serves it while the service reads it.
    void offer(QMimeData* mime) {
        QGuiApplication::clipboard()->setMimeData(mime);
        // Several polls of the service, so an item it skips has really been seen.
        DesktopSession::processEventsFor(1500ms);
    }

    TemporaryDirectory directory_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<FakeDesktop> desktop_;
    QProcess service_;
    QByteArray log_;
};

TEST_F(QuorvaneServiceTest, TextHtmlImageAndARepeatBecomeTheRightRowsInBothFiles) {
    start();
    ASSERT_TRUE(DesktopSession::copyWithXclip("plain copied text", "UTF8_STRING"));
    ASSERT_TRUE(waitForContents({"plain copied text"}));
    const auto firstCreated = firstColumn(historyFile(), "SELECT createdAt FROM ClipboardHistoryIndex");

    ASSERT_TRUE(DesktopSession::copyWithXclip("<p>Rich <b>html</b> text</p>", "text/html"));
    ASSERT_TRUE(waitForContents({"Rich html text", "plain copied text"}));
    const auto html =
        query(historyFile(),
              "SELECT c.richTextHTMLData IS NOT NULL, i.contentType FROM ClipboardHistoryContent c "
              "JOIN ClipboardHistoryIndex i USING (id) WHERE c.content = 'Rich html text'");
    ASSERT_EQ(html.size(), 1u);
    EXPECT_EQ(html[0][0], "1");
    EXPECT_EQ(html[0][1], "text");

    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    const QByteArray png = bytesOf(testing::encoded(image));
    ASSERT_TRUE(DesktopSession::copyWithXclip(png, "image/png"));
    ASSERT_TRUE(
        waitFor(historyFile(),
                "SELECT length(c.imageData) FROM ClipboardHistoryContent c JOIN ClipboardHistoryIndex i "
                "USING (id) WHERE i.contentType = 'image'",
                {std::to_string(png.size())}));

    // The same text again: the earlier entry gives way to a new one.
    ASSERT_TRUE(DesktopSession::copyWithXclip("plain copied text", "UTF8_STRING"));
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            const auto created =
                firstColumn(historyFile(),
                            "SELECT i.createdAt FROM ClipboardHistoryIndex i JOIN ClipboardHistoryContent c "
                            "USING (id) WHERE c.content = 'plain copied text'");
            return created.size() == 1 && created != firstCreated;
        },
        20s));
    EXPECT_EQ(firstColumn(historyFile(), "SELECT count(*) FROM ClipboardHistoryIndex"),
              std::vector<std::string>{"3"});
    expectIndexMatchesHistory();
    EXPECT_EQ(firstColumn(indexFile(), "SELECT content_type FROM documents ORDER BY content_type"),
              (std::vector<std::string>{"image", "text", "text"}));
    EXPECT_EQ(firstColumn(indexFile(),
                          "SELECT normalized_text FROM documents WHERE content_type = 'text' "
                          "ORDER BY normalized_text"),
              (std::vector<std::string>{"plain copied text", "rich html text"}));
}

TEST_F(QuorvaneServiceTest, PasswordManagerSecretsAndIgnoredProgramsAreNotRecorded) {
    settings().set(SettingsKey::ignoredAppBundleIdentifiers,
                   DefaultsValue(DefaultsValue::Array{DefaultsValue(std::string("SecretKeeper"))}));
    start();

    auto* plain = new QMimeData;
    plain->setText("offered by us without a hint");
    offer(plain);
    ASSERT_TRUE(waitForContents({"offered by us without a hint"}));

    auto* secret = new QMimeData;
    secret->setText("hunter2 password");
    secret->setData("x-kde-passwordManagerHint", "secret");
    offer(secret);

    const auto keeper = desktop_->createWindow();
    desktop_->setString(keeper, "WM_CLASS", std::string("secretkeeper\0SecretKeeper\0", 26), "STRING");
    desktop_->activate(keeper);
    desktop_->sync();
    ASSERT_TRUE(DesktopSession::copyWithXclip("copied in the ignored program", "UTF8_STRING"));
    // The program must still be in front when the service polls: give a loaded machine many poll periods.
    DesktopSession::processEventsFor(4000ms);
    desktop_->clearActive();
    desktop_->sync();

    ASSERT_TRUE(DesktopSession::copyWithXclip("marker after both", "UTF8_STRING"));
    ASSERT_TRUE(waitForContents({"marker after both", "offered by us without a hint"}));
    expectIndexMatchesHistory();
    EXPECT_TRUE(firstColumn(indexFile(),
                            "SELECT item_id FROM documents WHERE normalized_text LIKE '%hunter2%' OR "
                            "normalized_text LIKE '%ignored program%'")
                    .empty());
    desktop_->destroyWindow(keeper);
}

TEST_F(QuorvaneServiceTest, TextRecognitionStoresTheTextOfARenderedImage) {
    start();
    ASSERT_TRUE(
        DesktopSession::copyWithXclip(bytesOf(testing::renderedLines({"QUORVANE RECOGNISES"})), "image/png"));
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            const auto text = firstColumn(
                historyFile(), "SELECT ocrText FROM ClipboardHistoryContent WHERE ocrText IS NOT NULL");
            return text.size() == 1 && text[0].find("QUORVANE RECOGNISES") != std::string::npos;
        },
        60s))
        << log_.toStdString();
    EXPECT_TRUE(waitFor(historyFile(),
                        "SELECT searchText LIKE '%QUORVANE RECOGNISES%' FROM ClipboardHistoryIndex", {"1"}));
}

// Copies as fast as xclip goes, then copies by a program that keeps each one for 10 ms only (longer under the
// sanitizers, which slow the service's reading several times): every copy whose text the service received
// is stored, none twice, and the index agrees with the history. A copy replaced before the service's
// request reached its owner cannot be read by anyone; on a loaded machine a few are, so they are counted,
// not checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::chrono::milliseconds briefCopyHold{50};
#else
constexpr std::chrono::milliseconds briefCopyHold{10};
#endif
TEST_F(QuorvaneServiceTest, RapidCopiesAreStoredOnceEachAndIndexedLikeTheHistory) {
    start();
    constexpr int copies = 300;
    std::vector<std::string> texts;
    for (int i = 0; i < copies; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "rapid copy %04d", i);
        texts.emplace_back(text);
        ASSERT_TRUE(DesktopSession::copyWithXclip(text, "UTF8_STRING"));
    }
    // How many of these are stored depends on how soon each xclip answers on this machine: reported, not
    // checked. A copy its owner could not answer for before the next one came is lost.
    const std::string rapid = "SELECT content FROM ClipboardHistoryContent WHERE content LIKE 'rapid copy %'";
    DesktopSession::processEventsUntil([&] { return firstColumn(historyFile(), rapid).size() == copies; },
                                       20s);
    const auto storedRapid = firstColumn(historyFile(), rapid);
    std::cout << "[          ] stored " << storedRapid.size() << " of " << copies << " xclip copies"
              << std::endl;

    std::vector<std::string> answered;
    std::thread program([&] {
        testing::TestSelectionOwner owner;
        for (int i = 0; i < copies; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "brief copy %04d", i);
            owner.take(text);
            owner.serveFor(briefCopyHold);
        }
        // The last one stays until the service has stored it.
        owner.serveFor(20s, [&] { return stop_.load(); });
        answered = owner.answeredTexts();
    });
    const std::string brief = "SELECT content FROM ClipboardHistoryContent WHERE content LIKE 'brief copy %'";
    char last[32];
    std::snprintf(last, sizeof last, "brief copy %04d", copies - 1);
    // Copies are stored in the order they came: once the last is in, every earlier one read is too.
    DesktopSession::processEventsUntil(
        [&] {
            const auto stored = firstColumn(historyFile(), brief);
            return std::find(stored.begin(), stored.end(), last) != stored.end();
        },
        60s);
    stop_ = true;
    program.join();
    const auto storedBrief = firstColumn(historyFile(), brief);
    const std::set<std::string> briefSet(storedBrief.begin(), storedBrief.end());
    const std::set<std::string> answeredSet(answered.begin(), answered.end());
    std::vector<std::string> lost;
    for (const std::string& text : answeredSet) {
        if (!briefSet.contains(text)) lost.push_back(text);
    }
    std::cout << "[          ] the service read " << answeredSet.size() << " of " << copies
              << " brief copies before they were replaced" << std::endl;
    EXPECT_TRUE(lost.empty()) << "received but not stored: " << ::testing::PrintToString(lost);
    // The last copy stays until it is stored, so the service always receives it.
    EXPECT_TRUE(briefSet.contains(last));
    for (const std::string& text : briefSet) EXPECT_TRUE(answeredSet.contains(text)) << text << " never sent";
    EXPECT_EQ(storedBrief.size(), briefSet.size()) << "a copy stored twice";
    const std::set<std::string> rapidSet(storedRapid.begin(), storedRapid.end());
    EXPECT_EQ(storedRapid.size(), rapidSet.size()) << "a copy stored twice";
    expectIndexMatchesHistory();
    log_ += service_.readAll();
    if (HasFailure()) std::cout << log_.toStdString() << std::endl;
}

TEST_F(QuorvaneServiceTest, CopiesFromAnOwnerThatRefusesEachFirstRequestAreAllStoredWithTheirHtml) {
    start();
    constexpr int copies = 8;
    std::vector<std::string> texts;
    for (int i = 0; i < copies; ++i) texts.push_back("yanked line " + std::to_string(i));
    int refusals = 0;
    std::thread program([&] {
        testing::TestSelectionOwner owner;
        // As gvim, switched to and yanking at once: what comes while it takes the clipboard is refused.
        owner.refusalsPerTarget = 1;
        for (const std::string& text : texts) {
            owner.take(text, "<i>" + text + "</i>");
            const int answered = owner.htmlAnswers();
            owner.serveFor(10s, [&] { return owner.htmlAnswers() > answered; });
        }
        refusals = owner.refusals();
    });
    program.join();
    EXPECT_EQ(refusals, 3 * copies);
    ASSERT_TRUE(waitForContents(texts));
    EXPECT_EQ(firstColumn(historyFile(),
                          "SELECT count(*) FROM ClipboardHistoryContent WHERE richTextHTMLData IS NOT NULL"),
              std::vector<std::string>{std::to_string(copies)});
    log_ += service_.readAll();
    EXPECT_FALSE(log_.contains("refused")) << log_.toStdString();
}

TEST_F(QuorvaneServiceTest, ItemsOverTheLimitAreDroppedWhileReadAndTheNextCopyIsStored) {
    settings().set(SettingsKey::maxItemSizeInMB, std::int64_t{1});
    start();
    // A program that announces a small text and then sends pieces without end.
    std::atomic<bool> floodDone{false};
    int floodRequests = 0;
    std::thread flood([&] {
        testing::TestSelectionOwner owner;
        owner.endlessPiecesAnnouncing = 4096;
        owner.take("unused");
        owner.serveFor(30s, [&] { return floodDone.load(); });
        floodRequests = owner.textRequests();
    });
    const bool floodDropped = waitForLog("Ignored clipboard item larger than limit");
    // Held a while longer, while the service polls: the item is not asked for again.
    DesktopSession::processEventsFor(1500ms);
    floodDone = true;
    flood.join();
    ASSERT_TRUE(floodDropped) << log_.toStdString();
    EXPECT_EQ(floodRequests, 1);
    log_ += service_.readAll();
    EXPECT_EQ(log_.count("Ignored clipboard item larger than limit"), 1) << log_.toStdString();

    // Named with its program, so the user can tell which program's copies are missing.
    EXPECT_TRUE(log_.contains("program quorvane-test-owner) offered at least")) << log_.toStdString();

    // An announcement of 2 GB: given up before a single piece is asked for.
    log_.clear();
    std::atomic<bool> hugeDone{false};
    std::uint64_t hugePieces = 1;
    std::thread huge([&] {
        testing::TestSelectionOwner owner;
        owner.endlessPiecesAnnouncing = 2u * 1024 * 1024 * 1024;
        owner.take("unused");
        owner.serveFor(30s, [&] { return hugeDone.load(); });
        hugePieces = owner.piecesSent();
    });
    const bool hugeDropped = waitForLog("Ignored clipboard item larger than limit");
    hugeDone = true;
    huge.join();
    ASSERT_TRUE(hugeDropped) << log_.toStdString();
    EXPECT_EQ(hugePieces, 0u);
    EXPECT_TRUE(log_.contains("program quorvane-test-owner) offered at least 2147483648 bytes of text/plain"))
        << log_.toStdString();

    // A text of 5 MB sent whole: its size is known before it is read.
    log_.clear();
    std::atomic<bool> wholeDone{false};
    std::thread whole([&] {
        testing::TestSelectionOwner owner;
        owner.take(std::string(5 * 1024 * 1024, 'w'));
        owner.serveFor(30s, [&] { return wholeDone.load(); });
    });
    const bool wholeDropped = waitForLog("Ignored clipboard item larger than limit");
    wholeDone = true;
    whole.join();
    ASSERT_TRUE(wholeDropped) << log_.toStdString();

    ASSERT_TRUE(DesktopSession::copyWithXclip("the copy after the floods", "UTF8_STRING"));
    ASSERT_TRUE(waitForContents({"the copy after the floods"}));
    log_ += service_.readAll();
    // Logged once each, and no reader gave up on a timeout.
    EXPECT_EQ(log_.count("Ignored clipboard item larger than limit"), 1) << log_.toStdString();
    EXPECT_FALSE(log_.contains("in time")) << log_.toStdString();
}

TEST_F(QuorvaneServiceTest, BackgroundCopiesAreKeptWhileAWindowOfOursIsActiveOrLeftActiveWhenHidden) {
    start();
    // A window of the service's process, as its settings window or a panel is to the window manager.
    const auto ours = desktop_->createWindow();
    desktop_->setString(ours, "WM_CLASS", std::string("quorvane\0Quorvane\0", 18), "STRING");
    desktop_->setCardinal(ours, "_NET_WM_PID", static_cast<std::uint32_t>(service_.processId()), "CARDINAL");
    desktop_->activate(ours);
    desktop_->sync();

    const auto copyTwenty = [&](const char* prefix) {
        const std::string sql =
            std::string("SELECT content FROM ClipboardHistoryContent WHERE content LIKE '") + prefix + " %'";
        for (int i = 0; i < 20; ++i) {
            const std::string text = prefix + std::string(" ") + std::to_string(i);
            ASSERT_TRUE(DesktopSession::copyWithXclip(QByteArray::fromStdString(text), "UTF8_STRING"));
            // One at a time: each xclip is answered before the next replaces it.
            DesktopSession::processEventsUntil(
                [&] { return firstColumn(historyFile(), sql).size() == static_cast<std::size_t>(i + 1); },
                5s);
        }
        EXPECT_EQ(firstColumn(historyFile(), sql).size(), 20u) << (log_ += service_.readAll()).toStdString();
    };
    // Focused: the copies come from background programs all the same.
    copyTwenty("while focused");
    // Hidden with no window to return to: the window manager leaves it named active.
    desktop_->unmapWindow(ours);
    desktop_->sync();
    copyTwenty("after hiding");
    // Taken while our window was in front, so from no program we know.
    EXPECT_EQ(firstColumn(historyFile(),
                          "SELECT DISTINCT ifnull(bundleIdentifier, 'none') FROM ClipboardHistoryIndex"),
              std::vector<std::string>{"none"});
    expectIndexMatchesHistory();
}

TEST_F(QuorvaneServiceTest, ATextWithANulByteAndTheCopiesAfterItAreAllSearchable) {
    start();
    ASSERT_TRUE(DesktopSession::copyWithXclip(QByteArray("nulf\0nulback copied", 19), "UTF8_STRING"));
    ASSERT_TRUE(waitFor(historyFile(), "SELECT count(*) FROM ClipboardHistoryIndex", {"1"}));
    std::vector<std::string> words = {"nulf", "nulback"};
    for (int i = 0; i < 10; ++i) {
        words.push_back("ordinary" + std::string(1, static_cast<char>('a' + i)) + "word");
        ASSERT_TRUE(DesktopSession::copyWithXclip(QByteArray::fromStdString(words.back() + " copied"),
                                                  "UTF8_STRING"));
        ASSERT_TRUE(
            waitFor(historyFile(), "SELECT count(*) FROM ClipboardHistoryIndex", {std::to_string(i + 2)}));
    }
    expectIndexMatchesHistory();
    // Each word finds its own entry, once the index has merged what the copies wrote.
    auto found = [&](const std::string& word) {
        return firstColumn(
            indexFile(),
            "SELECT d.item_id FROM search_words JOIN document_ranks r ON r.rank = search_words.rowid "
            "JOIN documents d ON d.doc_id = r.doc_id WHERE search_words MATCH '" +
                word + "'");
    };
    DesktopSession::processEventsFor(2s);
    const auto nulEntry = found("nulf");
    EXPECT_EQ(nulEntry.size(), 1u);
    EXPECT_EQ(found("nulback"), nulEntry);
    std::set<std::string> entries(nulEntry.begin(), nulEntry.end());
    for (std::size_t i = 2; i < words.size(); ++i) {
        const auto ids = found(words[i]);
        EXPECT_EQ(ids.size(), 1u) << words[i];
        entries.insert(ids.begin(), ids.end());
    }
    EXPECT_EQ(entries.size(), 11u);
    // SQLite's own checks of the index file and of each of its full-text tables.
    {
        SQLiteDatabase db(indexFile(), SQLITE_OPEN_READWRITE);
        sqlite3_busy_timeout(db.handle(), 5000);
        int keep = 1;  // the service's connections stay the file's owners
        sqlite3_file_control(db.handle(), "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
        ClipboardSearchTokenizers::registerWith(db.handle());
        for (const char* table : ClipboardSearchIndexSchema::kSearchTables) {
            EXPECT_NO_THROW(db.execute(std::string("INSERT INTO ") + table + " (" + table +
                                       ") VALUES ('integrity-check');"))
                << table;
        }
        auto check = db.prepare("PRAGMA integrity_check;");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.columnText(0), "ok");
    }
    for (const auto& file : std::filesystem::directory_iterator(storage())) {
        EXPECT_EQ(file.path().filename().string().find(".corrupt-"), std::string::npos) << file.path();
    }
    log_ += service_.readAll();
    EXPECT_FALSE(log_.contains("Failed to use clipboard search index")) << log_.toStdString();
    EXPECT_FALSE(log_.contains("malformed")) << log_.toStdString();
}

// Three copies, then `signalNumber`: the service ends as if quit from its menu.
void QuorvaneServiceTest::expectCleanStopOn(int signalNumber) {
    start();
    for (const char* text : {"first of three", "second of three", "third of three"}) {
        ASSERT_TRUE(DesktopSession::copyWithXclip(text, "UTF8_STRING"));
        ASSERT_TRUE(DesktopSession::processEventsUntil(
            [&] {
                return !firstColumn(historyFile(),
                                    std::string("SELECT id FROM ClipboardHistoryContent WHERE content = '") +
                                        text + "'")
                            .empty();
            },
            20s));
    }
    ::kill(static_cast<pid_t>(service_.processId()), signalNumber);
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return service_.state() == QProcess::NotRunning; }, 15s));
    log_ += service_.readAll();
    EXPECT_EQ(service_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service_.exitCode(), 0);
    EXPECT_TRUE(log_.contains("Application will terminate"));
    // A start on a working desktop warns about nothing (once the missing update feed did, every time).
    EXPECT_FALSE(log_.contains("[WARNING]")) << log_.toStdString();

    // Every connection closed: the write-ahead logs were folded back and removed (the index keeps its log
    // file, emptied).
    EXPECT_FALSE(std::filesystem::exists(historyFile().string() + "-wal"));
    const std::filesystem::path indexLog = indexFile().string() + "-wal";
    EXPECT_TRUE(!std::filesystem::exists(indexLog) || std::filesystem::file_size(indexLog) == 0);
    // A clean stop: the next start finds no sign of a crash.
    EXPECT_FALSE(std::filesystem::exists(historyFile().string() + ".running"));
    for (const auto& file : {historyFile(), indexFile()}) {
        EXPECT_EQ(firstColumn(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    }
    EXPECT_EQ(firstColumn(historyFile(), "SELECT count(*) FROM ClipboardHistoryIndex"),
              std::vector<std::string>{"3"});
    expectIndexMatchesHistory();
}

TEST_F(QuorvaneServiceTest, SigtermEndsWithExitZeroAndClosedConsistentFiles) {
    expectCleanStopOn(SIGTERM);
}

// A closed terminal or an ended session.
TEST_F(QuorvaneServiceTest, SighupEndsWithExitZeroAndClosedConsistentFiles) {
    expectCleanStopOn(SIGHUP);
}

TEST_F(QuorvaneServiceTest, ASecondLaunchRefusedTheStorageDirectoryEndsInsteadOfRunningEmpty) {
    start();
    ASSERT_TRUE(waitForLog("Classification coordinator started")) << log_.toStdString();

    // Another runtime folder: the launch check passes, the storage directory's lock refuses it.
    QProcessEnvironment otherSession = environment();
    otherSession.insert("XDG_RUNTIME_DIR", QString::fromStdString((directory_ / "runtime2").string()));
    QByteArray secondLog;
    ASSERT_NO_FATAL_FAILURE(launchSecondAndWaitForItsEnd(otherSession, secondLog));
    EXPECT_TRUE(secondLog.contains("another Quorvane process is using the storage directory"))
        << secondLog.toStdString();
    EXPECT_TRUE(secondLog.contains("Another instance is already running, terminating..."));
    EXPECT_FALSE(secondLog.contains("App coordinator started"));
    EXPECT_EQ(service_.state(), QProcess::Running);
}

TEST_F(QuorvaneServiceTest, ASecondLaunchHandsOverToTheRunningInstanceAndEnds) {
    start();
    ASSERT_TRUE(waitForLog("Single instance check passed")) << log_.toStdString();
    // There is no tray host on this desktop: the shell still starts completely.
    ASSERT_TRUE(waitForLog("Classification coordinator started")) << log_.toStdString();
    const auto settingsRequests = [this] { return log_.count("Show settings requested"); };
    EXPECT_EQ(settingsRequests(), 0);

    QByteArray secondLog;
    ASSERT_NO_FATAL_FAILURE(launchSecondAndWaitForItsEnd(environment(), secondLog));
    EXPECT_TRUE(secondLog.contains("Another instance is already running, terminating..."))
        << secondLog.toStdString();
    // The second never opened the stores: the first still runs and still captures.
    EXPECT_FALSE(secondLog.contains("Single instance check passed"));
    EXPECT_EQ(service_.state(), QProcess::Running);
    // The reopen request reached the running instance: onboarding is done, so it asks for the settings.
    EXPECT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            log_ += service_.readAll();
            return settingsRequests() == 1;
        },
        15s))
        << log_.toStdString();
    EXPECT_FALSE(log_.contains("Show onboarding requested"));
    ASSERT_TRUE(DesktopSession::copyWithXclip("after the second launch", "UTF8_STRING"));
    EXPECT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            return !firstColumn(
                        historyFile(),
                        "SELECT id FROM ClipboardHistoryContent WHERE content = 'after the second launch'")
                        .empty();
        },
        20s));
}

}  // namespace
}  // namespace quorvane
