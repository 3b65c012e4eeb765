#include <QBuffer>
#include <QColor>
#include <QImage>
#include <atomic>
#include <random>
#include <thread>

#include "desktop/DesktopSession.h"
#include "desktop/TestSelectionOwner.h"
#include "platform/linux/QtClipboardPasteboard.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using testing::DesktopSession;
using testing::TestSelectionOwner;
using namespace std::chrono_literals;

QByteArray pngOfSize(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 220));
    image.setPixelColor(0, 0, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

Data toData(const QByteArray& bytes) {
    return Data(bytes.begin(), bytes.end());
}

// What the pasteboard showed when it reported a change.
struct Report {
    std::int64_t changeCount;
    std::optional<std::string> text;
    std::optional<std::string> html = std::nullopt;
    bool operator==(const Report&) const = default;
};
void PrintTo(const Report& report, std::ostream* out) {
    *out << report.changeCount << ":" << report.text.value_or("<none>");
    if (report.html) *out << " html:" << *report.html;
}

class QtClipboardPasteboardTest : public ::testing::Test {
protected:
    // What an owner's copy takes to reach us: xclip reading megabytes, then the watcher's read and the
    // hand-over to the main thread, each slowed by a busy machine. Only a failing wait lasts this long.
    static constexpr std::chrono::seconds generousLimit{30};
    void SetUp() override { DESKTOP_SESSION_OR_SKIP(); }

    // Copies through xclip and waits until the pasteboard has seen the change.
    void copyExternally(const QByteArray& bytes, const QString& target) {
        const auto before = pasteboard().changeCount();
        ASSERT_TRUE(DesktopSession::copyWithXclip(bytes, target));
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return pasteboard().changeCount() != before; },
                                                       generousLimit))
            << "the change count did not move after xclip took the clipboard";
    }

    QtClipboardPasteboard& pasteboard() {
        if (!pasteboard_) {
            QtClipboardPasteboard::ByteLimit limit;
            if (itemByteLimit_ > 0) limit = [bytes = itemByteLimit_] { return bytes; };
            pasteboard_ = std::make_unique<QtClipboardPasteboard>(nullptr, std::move(limit));
            // Copies made while the item found at start is still being asked for would be asked for twice.
            EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return pasteboard_->hasReadStartItem(); },
                                                           generousLimit));
        }
        return *pasteboard_;
    }
    // The item size limit of the pasteboard made next.
    std::uint64_t itemByteLimit_ = 0;

    QByteArray readWithXclip(const QString& target) {
        auto result = DesktopSession::run("xclip", {"-selection", "clipboard", "-o", "-t", target});
        EXPECT_EQ(result.exitCode, 0) << "xclip could not read " << target.toStdString();
        return result.output;
    }

    void recordReports() {
        subscription_ = pasteboard().observeChanges([this] {
            std::optional<std::string> html;
            if (const auto bytes = pasteboard().data(PasteboardType::html))
                html.emplace(bytes->begin(), bytes->end());
            reports_.push_back({pasteboard().changeCount(), pasteboard().string(), html});
        });
    }
    std::vector<Report> reports_;

private:
    std::unique_ptr<QtClipboardPasteboard> pasteboard_;
    Subscription subscription_;
};

TEST_F(QtClipboardPasteboardTest, ExternalTextCopyMovesTheCountOnceAndReadsAsUtf8) {
    const auto before = pasteboard().changeCount();
    copyExternally(QByteArray("Grüße, 你好\nsecond line"), "UTF8_STRING");
    DesktopSession::processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("Grüße, 你好\nsecond line"));
    EXPECT_FALSE(pasteboard().hasType(PasteboardType::html));
    EXPECT_FALSE(pasteboard().carriesPasswordManagerHint());
}

TEST_F(QtClipboardPasteboardTest, HtmlCopyIsReadByteForByte) {
    const QByteArray html("<meta charset=\"utf-8\"><b>bold</b> &amp; <i>ä</i>");
    copyExternally(html, "text/html");
    EXPECT_TRUE(pasteboard().hasType(PasteboardType::html));
    EXPECT_EQ(pasteboard().data(PasteboardType::html), std::optional<Data>(toData(html)));
    EXPECT_EQ(pasteboard().data(PasteboardType::rtf), std::nullopt);
}

TEST_F(QtClipboardPasteboardTest, PngCopyIsReadByteForByte) {
    const QByteArray png = pngOfSize(37, 21);
    copyExternally(png, "image/png");
    EXPECT_TRUE(pasteboard().hasType(PasteboardType::png));
    EXPECT_EQ(pasteboard().data(PasteboardType::png), std::optional<Data>(toData(png)));
}

TEST_F(QtClipboardPasteboardTest, FileListIsReadAsLocalPaths) {
    copyExternally("file:///tmp/a%20b.png\r\nhttps://example.org/x\r\n", "text/uri-list");
    const auto paths = pasteboard().fileURLs();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], std::filesystem::path("/tmp/a b.png"));
}

TEST_F(QtClipboardPasteboardTest, PasswordManagerHintIsDetected) {
    copyExternally("secret", PasteboardType::passwordManagerHint);
    EXPECT_TRUE(pasteboard().carriesPasswordManagerHint());
}

TEST_F(QtClipboardPasteboardTest, OwnTextWriteMovesTheCountAtOnceAndOnlyOnce) {
    copyExternally("before", "UTF8_STRING");
    const auto before = pasteboard().changeCount();
    const std::string html = "<p>Zürich</p>";
    const std::string rtf = "{\\rtf1\\ansi Z\\u252?rich}";
    pasteboard().writeText("Zürich", Data(rtf.begin(), rtf.end()), Data(html.begin(), html.end()));
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    // Other programs see every form; serving them runs the event loop, where no second advance may happen.
    EXPECT_EQ(readWithXclip("UTF8_STRING"), QByteArray("Zürich"));
    EXPECT_EQ(readWithXclip("text/html"), QByteArray::fromStdString(html));
    EXPECT_EQ(readWithXclip("text/rtf"), QByteArray::fromStdString(rtf));
    DesktopSession::processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("Zürich"));

    // Another program taking the clipboard back is a change again.
    copyExternally("after", "UTF8_STRING");
    EXPECT_EQ(pasteboard().changeCount(), before + 2);
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("after"));
}

TEST_F(QtClipboardPasteboardTest, OwnImageWriteIsServedAsPngAndConvertedFromOtherFormats) {
    const QByteArray png = pngOfSize(8, 6);
    pasteboard().writeImage(toData(png), PasteboardType::png);
    EXPECT_EQ(readWithXclip("image/png"), png);

    QImage image(9, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "JPEG"));
    const auto before = pasteboard().changeCount();
    pasteboard().writeImage(toData(jpeg), PasteboardType::jpeg);
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    EXPECT_EQ(readWithXclip("image/jpeg"), jpeg);
    const QImage converted = QImage::fromData(readWithXclip("image/png"), "PNG");
    EXPECT_EQ(converted.size(), QSize(9, 4));
}

TEST_F(QtClipboardPasteboardTest, ImageThatDoesNotDecodeLeavesTheClipboardAsItWas) {
    copyExternally("kept", "UTF8_STRING");
    const auto before = pasteboard().changeCount();
    QByteArray broken = pngOfSize(8, 6).left(24);  // a PNG signature and header, no pixels
    broken.append("not the rest of an image");
    EXPECT_FALSE(pasteboard().writeImage(toData(broken), PasteboardType::png));
    EXPECT_EQ(pasteboard().changeCount(), before);
    EXPECT_EQ(readWithXclip("UTF8_STRING"), QByteArray("kept"));
}

TEST_F(QtClipboardPasteboardTest, EveryCopyIsReadWhileItOwnsTheClipboardAndReportedInOrder) {
    recordReports();
    const auto before = pasteboard().changeCount();
    constexpr int copies = 40;
    std::thread program([] {
        TestSelectionOwner owner;
        for (int i = 0; i < copies; ++i) {
            owner.take("copy " + std::to_string(i));
            // The next copy replaces this one as soon as its text was read.
            const int answered = owner.textAnswers();
            owner.serveFor(10s, [&] { return owner.textAnswers() > answered; });
        }
    });
    // The main thread is busy meanwhile: the copies wait in line for it and none is lost.
    program.join();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return reports_.size() >= copies + 1; }, 10s))
        << reports_.size() << " reports, the last " << ::testing::PrintToString(reports_.back());
    std::vector<Report> expected;
    for (int i = 0; i < copies; ++i) expected.push_back({before + i + 1, "copy " + std::to_string(i)});
    // The program went away while it owned the clipboard: nothing is left on it.
    expected.push_back({before + copies + 1, std::nullopt});
    EXPECT_EQ(reports_, expected);
    EXPECT_TRUE(pasteboard().types().empty());
}

TEST_F(QtClipboardPasteboardTest, ACopyReplacedWhileItsOwnerAnswersIsMissedNotTakenForTheNextOne) {
    recordReports();
    const auto before = pasteboard().changeCount();
    std::atomic<bool> release{false};
    std::thread program([&] {
        TestSelectionOwner first;
        TestSelectionOwner second;
        // The answer with the first text comes after the second program already owns the clipboard.
        first.beforeTextAnswer = [&] { second.take("the copy that replaced it"); };
        first.take("replaced while answering");
        first.serveFor(10s, [&] { return first.textAnswers() > 0; });
        second.serveFor(10s, [&] { return release.load(); });
    });
    const bool reported = DesktopSession::processEventsUntil([&] { return !reports_.empty(); }, 10s);
    DesktopSession::processEventsFor(200ms);
    release = true;
    program.join();
    ASSERT_TRUE(reported);
    EXPECT_EQ(reports_.front(), (Report{before + 2, "the copy that replaced it"}));
    for (const auto& report : reports_) EXPECT_NE(report.text, "replaced while answering");
}

TEST_F(QtClipboardPasteboardTest, AnOwnerThatNeverAnswersIsGivenUpAndTheNextCopyIsRead) {
    testing::LogCapture log;
    recordReports();
    const auto before = pasteboard().changeCount();
    std::atomic<bool> release{false};
    std::thread program([&] {
        TestSelectionOwner hung;
        hung.answers = false;
        hung.take("never sent");
        hung.serveFor(20s, [&] { return release.load(); });
    });
    const bool reported = DesktopSession::processEventsUntil([&] { return !reports_.empty(); }, 10s);
    if (reported) copyExternally("after the hung program", "UTF8_STRING");
    release = true;
    program.join();
    ASSERT_TRUE(reported);
    EXPECT_EQ(reports_.front(), (Report{before + 1, std::nullopt}));
    // Once, naming the owner's window and program.
    EXPECT_EQ(log.count("did not answer in time"), 1u);
    EXPECT_TRUE(log.contains("ERROR", "Failed to read the clipboard: its owner (window 0x"));
    EXPECT_TRUE(log.contains("ERROR", "program quorvane-test-owner) did not answer in time"))
        << ::testing::PrintToString(log.lines());
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("after the hung program"));
}

TEST_F(QtClipboardPasteboardTest, LargeImageSentInPiecesIsReadByteForByte) {
    // Noise does not compress: several megabytes, more than one request can carry.
    QImage image(1200, 1000, QImage::Format_RGB32);
    std::mt19937 random(5);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = random() | 0xff000000u;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    ASSERT_GT(png.size(), 3'000'000);
    copyExternally(png, "image/png");
    EXPECT_EQ(pasteboard().data(PasteboardType::png), std::optional<Data>(toData(png)));
}

TEST_F(QtClipboardPasteboardTest, ItemOnTheClipboardAtStartIsReadBehindTheScenesWithoutCountingAsACopy) {
    std::atomic<bool> taken{false};
    std::atomic<bool> answer{false};
    std::atomic<bool> release{false};
    std::thread program([&] {
        TestSelectionOwner owner;
        // Slow to answer: it answers only once the pasteboard below exists.
        owner.beforeAnyAnswer = [&] {
            while (!answer && !release) std::this_thread::sleep_for(1ms);
        };
        owner.take("there before us");
        taken = true;
        owner.serveFor(10s, [&] { return release.load(); });
    });
    while (!taken) std::this_thread::sleep_for(1ms);
    {
        QtClipboardPasteboard fresh;
        int reports = 0;
        const Subscription subscription = fresh.observeChanges([&] { ++reports; });
        EXPECT_TRUE(fresh.reportsChanges());
        EXPECT_EQ(fresh.string(), std::nullopt);
        EXPECT_FALSE(fresh.hasReadStartItem());
        answer = true;
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return fresh.string().has_value(); }, 5s));
        EXPECT_EQ(fresh.string(), std::optional<std::string>("there before us"));
        EXPECT_EQ(fresh.types(), std::vector<std::string>{"text/plain"});
        EXPECT_EQ(fresh.changeCount(), 0);
        EXPECT_TRUE(fresh.hasReadStartItem());
        EXPECT_EQ(reports, 0);
    }
    release = true;
    program.join();
}

TEST_F(QtClipboardPasteboardTest, AnEndlessTransferInPiecesStopsAtTheLimitAndItsOwnerIsAskedOnce) {
    testing::LogCapture log;
    itemByteLimit_ = 1024 * 1024;
    recordReports();
    std::atomic<bool> release{false};
    std::uint64_t pieces = 0;
    int textRequests = 0;
    std::thread program([&] {
        TestSelectionOwner flood;
        // Announces a small item, then never ends it.
        flood.endlessPiecesAnnouncing = 1000;
        flood.take("unused");
        flood.serveFor(20s, [&] { return release.load(); });
        pieces = flood.piecesSent();
        textRequests = flood.textRequests();
    });
    const bool reported = DesktopSession::processEventsUntil([&] { return !reports_.empty(); }, 15s);
    // The owner keeps the clipboard a little longer: nothing asks it for the item again.
    DesktopSession::processEventsFor(500ms);
    const auto oversized = pasteboard().oversized(PasteboardType::itemText);
    if (reported) copyExternally("after the flood", "UTF8_STRING");
    release = true;
    program.join();
    ASSERT_TRUE(reported);
    EXPECT_EQ(reports_.front().text, std::nullopt);
    ASSERT_TRUE(oversized.has_value());
    EXPECT_GT(oversized->byteCount, itemByteLimit_);
    EXPECT_LE(oversized->byteCount, itemByteLimit_ + 64 * 1024);
    EXPECT_EQ(textRequests, 1);
    EXPECT_LE(pieces, itemByteLimit_ / (64 * 1024) + 2);
    EXPECT_FALSE(log.contains("ERROR", "did not send a large item in time"));
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("after the flood"));
    EXPECT_EQ(pasteboard().oversized(PasteboardType::itemText), std::nullopt);
}

TEST_F(QtClipboardPasteboardTest, ATransferThatTricklesWithinEachPiecesDeadlineIsGivenUpAtTheItemsDeadline) {
    testing::LogCapture log;
    recordReports();
    std::atomic<bool> release{false};
    std::thread program([&] {
        TestSelectionOwner slow;
        // Each piece comes well within its own deadline, but the item never ends.
        slow.endlessPiecesAnnouncing = 100;
        slow.pieceBytes = 16;
        slow.pieceDelay = 500ms;
        slow.take("unused");
        slow.serveFor(30s, [&] { return release.load(); });
    });
    const bool reported = DesktopSession::processEventsUntil([&] { return !reports_.empty(); }, 15s);
    if (reported) copyExternally("after the trickle", "UTF8_STRING");
    release = true;
    program.join();
    ASSERT_TRUE(reported);
    EXPECT_EQ(reports_.front().text, std::nullopt);
    EXPECT_EQ(log.count("did not send a large item in time"), 1u);
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("after the trickle"));
}

TEST_F(QtClipboardPasteboardTest, AWholeTextOverTheLimitIsMeasuredAndGivenUpWhileOneAtTheLimitIsRead) {
    itemByteLimit_ = 1024 * 1024;
    pasteboard();
    // Waits until the pasteboard shows the offer as `arrived` tells; the owner then leaves.
    const auto offer = [&](std::size_t bytes, const std::function<bool()>& arrived) {
        std::atomic<bool> release{false};
        int textRequests = 0;
        std::thread program([&] {
            TestSelectionOwner owner;
            owner.take(std::string(bytes, 'w'));
            owner.serveFor(20s, [&] { return release.load(); });
            textRequests = owner.textRequests();
        });
        EXPECT_TRUE(DesktopSession::processEventsUntil(arrived, 15s));
        release = true;
        program.join();
        EXPECT_EQ(textRequests, 1);
    };
    offer(3 * 1024 * 1024, [&] { return pasteboard().oversized(PasteboardType::itemText).has_value(); });
    EXPECT_EQ(pasteboard().string(), std::nullopt);
    EXPECT_EQ(
        pasteboard().oversized(PasteboardType::itemText),
        std::optional<OversizedRepresentation>(OversizedRepresentation{3 * 1024 * 1024, Data(64, 'w')}));

    offer(1024 * 1024, [&] { return pasteboard().string().has_value(); });
    EXPECT_EQ(pasteboard().string().value_or("").size(), 1024u * 1024u);
    EXPECT_EQ(pasteboard().oversized(PasteboardType::itemText), std::nullopt);
}

TEST_F(QtClipboardPasteboardTest, AnOwnerRefusingTheFirstRequestOfEachTargetHasEachCopyReadWhole) {
    testing::LogCapture log;
    recordReports();
    const auto before = pasteboard().changeCount();
    constexpr int copies = 5;
    int refusals = 0;
    std::thread program([&] {
        TestSelectionOwner owner;
        // As gvim refuses what comes while it is still taking the clipboard: the list, the text, the HTML.
        owner.refusalsPerTarget = 1;
        for (int i = 0; i < copies; ++i) {
            const std::string text = "refused at first " + std::to_string(i);
            owner.take(text, "<b>" + text + "</b>");
            const int answered = owner.htmlAnswers();
            owner.serveFor(10s, [&] { return owner.htmlAnswers() > answered; });
        }
        refusals = owner.refusals();
    });
    program.join();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return reports_.size() >= copies; }, 10s))
        << reports_.size() << " reports";
    // Three targets refused once for every copy: the test owner really refused.
    EXPECT_EQ(refusals, 3 * copies);
    for (int i = 0; i < copies; ++i) {
        const std::string text = "refused at first " + std::to_string(i);
        EXPECT_EQ(reports_[i], (Report{before + i + 1, text, "<b>" + text + "</b>"}));
    }
    EXPECT_FALSE(log.contains("WARNING", "refused")) << ::testing::PrintToString(log.lines());
}

TEST_F(QtClipboardPasteboardTest, AnOwnerRefusingTheListOfTargetsStillHasItsTextRead) {
    recordReports();
    std::atomic<bool> release{false};
    std::thread program([&] {
        TestSelectionOwner owner;
        owner.refusesTargetList = true;
        owner.take("text without a list");
        owner.serveFor(20s, [&] { return release.load(); });
    });
    const bool reported = DesktopSession::processEventsUntil([&] { return !reports_.empty(); }, 10s);
    release = true;
    program.join();
    ASSERT_TRUE(reported);
    EXPECT_EQ(reports_.front().text, std::optional<std::string>("text without a list"));
    EXPECT_EQ(pasteboard().types(), std::vector<std::string>{"text/plain"});
}

TEST_F(QtClipboardPasteboardTest, AnOwnerRefusingEveryRequestIsAskedAgainThenNamedOnce) {
    testing::LogCapture log;
    recordReports();
    const auto before = pasteboard().changeCount();
    std::atomic<bool> release{false};
    int refusals = 0;
    std::thread program([&] {
        TestSelectionOwner owner;
        owner.refusalsPerTarget = 1000;
        owner.take("never handed over", "<p>nor this</p>");
        owner.serveFor(20s, [&] { return release.load(); });
        refusals = owner.refusals();
    });
    const bool reported = DesktopSession::processEventsUntil([&] { return !reports_.empty(); }, 10s);
    if (reported) copyExternally("after the refusals", "UTF8_STRING");
    release = true;
    program.join();
    ASSERT_TRUE(reported);
    EXPECT_EQ(reports_.front(), (Report{before + 1, std::nullopt}));
    // The list and the text, asked for again after each refusal.
    EXPECT_GT(refusals, 2);
    EXPECT_EQ(log.count("refused"), 1u) << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(log.contains("WARNING", "Failed to read the clipboard: its owner (window 0x"));
    EXPECT_TRUE(log.contains("WARNING", "program quorvane-test-owner) refused to hand over the item"))
        << ::testing::PrintToString(log.lines());
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("after the refusals"));
}

TEST_F(QtClipboardPasteboardTest, ATransferAnnouncedOverTheLimitIsGivenUpUnreadAndNamesItsOwner) {
    testing::LogCapture log;
    itemByteLimit_ = 1024 * 1024;
    recordReports();
    std::atomic<bool> release{false};
    std::uint64_t pieces = 0;
    int textRequests = 0;
    std::thread program([&] {
        TestSelectionOwner flood;
        flood.endlessPiecesAnnouncing = 2u * 1024 * 1024 * 1024;
        flood.take("unused");
        flood.serveFor(20s, [&] { return release.load(); });
        pieces = flood.piecesSent();
        textRequests = flood.textRequests();
    });
    const bool reported = DesktopSession::processEventsUntil([&] { return !reports_.empty(); }, 15s);
    DesktopSession::processEventsFor(300ms);
    const auto oversized = pasteboard().oversized(PasteboardType::itemText);
    release = true;
    program.join();
    ASSERT_TRUE(reported);
    ASSERT_TRUE(oversized.has_value());
    EXPECT_EQ(oversized->byteCount, 2ull * 1024 * 1024 * 1024);
    EXPECT_EQ(pieces, 0u);
    EXPECT_EQ(textRequests, 1);
    EXPECT_EQ(log.count("more than the item size limit"), 1u) << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(log.contains("WARNING",
                             "program quorvane-test-owner) offered at least 2147483648 bytes of text/plain"))
        << ::testing::PrintToString(log.lines());
}

}  // namespace
}  // namespace quorvane
