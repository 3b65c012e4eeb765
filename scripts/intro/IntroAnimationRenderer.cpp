// Draws the wizard's intro animation from the real centred panel: an editor on the desktop, the hot key,
// the panel opening, a type filter chosen as a chip, a search typed, an entry picked and pasted into the
// editor. The panel runs its own controller and view model over a small history in memory; each frame is
// the panel's own picture on a drawn desktop. Run offscreen (QT_QPA_PLATFORM=offscreen):
//   quorvane_intro_renderer <output.gif> [en|zh-Hans] [folder for a PNG of every tenth frame, to review]

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "GifAnimationWriter.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "hotkeys/model/KeyCombo.h"
#include "l10n/StandardAppLanguage.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/widgets/ClipboardPanel.h"
#include "panel/widgets/ClipboardPanelController.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "platform/Clock.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/InMemoryWindowActivation.h"
#include "platform/memory/RecordingPasteShortcutPoster.h"
#include "search/ClipboardSearchQueryParser.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "ui/KeyablePanel.h"
#include "ui/UiColors.h"

using namespace quorvane;

namespace {

constexpr QSize kCanvas(720, 360);
constexpr int kFrameMilliseconds = 100;

// A history in memory, newest first; reads answer on the next main-queue turn, as the store's do.
class IntroHistory final : public ClipboardHistoryManagerProtocol {
public:
    explicit IntroHistory(MainQueue& queue) : queue_(queue) {}

    void getHistorySnapshots(const std::string& query, std::optional<std::size_t> limit,
                             SnapshotsCompletion completion) override {
        std::vector<ClipboardHistoryIndexSnapshot> found;
        for (const auto& entry : entries) {
            if (limit && found.size() >= *limit) break;
            if (entry.searchText.find(query) != std::string::npos) found.push_back(entry);
        }
        queue_.post([completion = std::move(completion), found] { completion(found); });
    }
    void getContentSnapshotById(const std::string& id, ContentCompletion completion) override {
        std::optional<ClipboardHistoryContentSnapshot> content;
        for (const auto& entry : entries) {
            if (entry.id != id) continue;
            content = ClipboardHistoryContentSnapshot{};
            content->id = id;
            content->content = entry.searchText;
        }
        queue_.post([completion = std::move(completion), content] { completion(content); });
    }
    void deleteItem(const std::string&) override {}
    void clearHistory() override {}
    void recordUsage(const std::string&) override {}
    void runWithCaptureSuspended(const std::function<void()>& body) override { body(); }

    std::vector<ClipboardHistoryIndexSnapshot> entries;

private:
    MainQueue& queue_;
};

// Searches the history the way the index does for what the animation shows: every word of the query in
// the text, and a type filter against the entry's classification.
class IntroSearch final : public ClipboardSearchServiceProtocol {
public:
    IntroSearch(IntroHistory& history, MainQueue& queue, const UserDefaults& defaults)
        : history_(history), queue_(queue), defaults_(defaults) {}

    void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) override {
        search("", limit, offset, std::move(completion));
    }
    void search(std::string query, std::int64_t limit, std::int64_t offset,
                PageCompletion completion) override {
        const ClipboardParsedSearchQuery parsed = ClipboardSearchQueryParser::parse(query, defaults_);
        std::vector<ClipboardHistoryIndexSnapshot> matches;
        for (const auto& entry : history_.entries) {
            const QString text = QString::fromStdString(entry.searchText);
            bool matched = true;
            for (const auto& word : parsed.textTokens)
                matched = matched && text.contains(QString::fromStdString(word), Qt::CaseInsensitive);
            for (const auto& filter : parsed.effectiveFilters()) {
                if (filter.kind != ClipboardSearchFilterKind::type) continue;
                matched = matched &&
                          QString::fromStdString(entry.classification.value_or(""))
                                  .compare(QString::fromStdString(filter.value), Qt::CaseInsensitive) == 0;
            }
            if (matched) matches.push_back(entry);
        }
        ClipboardSearchPage page;
        for (std::int64_t at = offset; at < std::int64_t(matches.size()) && at < offset + limit; ++at)
            page.items.push_back(matches[at]);
        page.hasMore = std::int64_t(matches.size()) > offset + limit;
        queue_.post([completion = std::move(completion), page] {
            completion(ClipboardSearchResult<ClipboardSearchPage>::success(page));
        });
    }
    void rebuildIndex(RebuildCompletion) override {}
    void indexStats(StatsCompletion completion) override { completion({}); }
    void runtimeMetrics(MetricsCompletion completion) override { completion({}); }

private:
    IntroHistory& history_;
    MainQueue& queue_;
    const UserDefaults& defaults_;
};

class Trusted final : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override {
        return AccessibilityPermissionStatus::authorized;
    }
    bool isTrusted() const override { return true; }
    bool hasRequestedPermission() const override { return true; }
    void requestPermission() override {}
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}
};

struct Scene {
    bool chinese = false;
    QStringList editorLines;
    QString pasted;
    QStringList keys;  // the keys held down at the moment
    QImage panel;      // empty while the panel is hidden
};

void drawKeys(QPainter& painter, const QStringList& keys) {
    if (keys.isEmpty()) return;
    QFont font("DejaVu Sans", 13, QFont::DemiBold);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& key : keys) width += std::max(44, metrics.horizontalAdvance(key) + 24) + 8;
    int x = (kCanvas.width() - width + 8) / 2;
    const int y = kCanvas.height() - 58;
    for (const QString& key : keys) {
        const int keyWidth = std::max(44, metrics.horizontalAdvance(key) + 24);
        const QRect cap(x, y, keyWidth, 40);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 60));
        painter.drawRoundedRect(cap.translated(0, 3), 8, 8);
        painter.setBrush(QColor(252, 252, 253));
        painter.setPen(QPen(QColor(190, 192, 198), 1));
        painter.drawRoundedRect(cap, 8, 8);
        painter.setPen(QColor(40, 42, 48));
        painter.drawText(cap, Qt::AlignCenter, key);
        x += keyWidth + 8;
    }
}

// The desktop: a soft backdrop with an editor window, and the panel over it when shown.
QImage drawFrame(const Scene& scene, bool caretOn) {
    QImage frame(kCanvas, QImage::Format_RGB32);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, kCanvas.width(), kCanvas.height());
    backdrop.setColorAt(0, QColor(214, 226, 242));
    backdrop.setColorAt(1, QColor(232, 222, 240));
    painter.fillRect(frame.rect(), backdrop);

    const QRect editor(40, 26, 640, 300);
    painter.setPen(QPen(QColor(180, 184, 192), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(editor, 8, 8);
    QPainterPath titleBar;
    titleBar.addRoundedRect(QRectF(editor.x(), editor.y(), editor.width(), 30), 8, 8);
    painter.fillPath(titleBar, QColor(238, 239, 242));
    painter.fillRect(QRect(editor.x() + 1, editor.y() + 22, editor.width() - 2, 9), QColor(238, 239, 242));
    painter.setPen(QColor(90, 94, 102));
    painter.setFont(QFont("DejaVu Sans", 10));
    painter.drawText(QRect(editor.x(), editor.y(), editor.width(), 30), Qt::AlignCenter,
                     scene.chinese ? QString::fromUtf8("周报.txt — 文本编辑器")
                                   : QStringLiteral("notes.txt — Text Editor"));

    QFont body("DejaVu Sans Mono", 11);
    painter.setFont(body);
    const QFontMetrics metrics(body);
    int y = editor.y() + 56;
    QStringList lines = scene.editorLines;
    lines.back() += scene.pasted;
    for (const QString& line : lines) {
        painter.setPen(QColor(36, 38, 44));
        painter.drawText(editor.x() + 24, y, line);
        y += metrics.height() + 6;
    }
    if (caretOn && scene.panel.isNull()) {
        const int caretX = editor.x() + 24 + metrics.horizontalAdvance(lines.back());
        const int caretY = y - (metrics.height() + 6);
        painter.fillRect(QRect(caretX + 1, caretY - metrics.ascent(), 2, metrics.height()),
                         QColor(10, 132, 255));
    }

    if (!scene.panel.isNull()) {
        const QImage panel =
            scene.panel.scaled(kCanvas - QSize(40, 24), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QPoint at((kCanvas.width() - panel.width()) / 2, (kCanvas.height() - panel.height()) / 2);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 40));
        painter.drawRoundedRect(QRect(at + QPoint(0, 4), panel.size()), 10, 10);
        painter.drawImage(at, panel);
    }
    drawKeys(painter, scene.keys);
    return frame;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output.gif> [en|zh-Hans]\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const bool chinese = argc > 2 && QString::fromLocal8Bit(argv[2]) == "zh-Hans";
    const QString reviewFolder = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QFont font("DejaVu Sans");
    font.setPointSizeF(10);
    QApplication::setFont(font);

    InMemoryUserDefaults defaults;
    defaults.set(AppLanguage::defaultsKey, std::string(chinese ? "zh-Hans" : "en"));
    StandardAppLanguage language(defaults);
    SystemClock clock;
    QtMainQueue queue;
    auto history = std::make_shared<IntroHistory>(queue);
    auto search = std::make_shared<IntroSearch>(*history, queue, defaults);
    const double now = clock.now().timeIntervalSince1970;
    const auto add = [&](std::string id, std::string text, std::optional<std::string> classification,
                         double ago) {
        ClipboardHistoryIndexSnapshot entry;
        entry.id = std::move(id);
        entry.preview = text;
        entry.searchText = text;
        entry.createdAt = Date(now - ago);
        entry.classification = std::move(classification);
        history->entries.push_back(entry);
    };
    add("standup",
        chinese ? "站会记录：面板已上线，下周评审浮动面板的位置。"
                : "Stand-up: panel shipped, floating panel placement next week.",
        std::nullopt, 40);
    add("docs", "https://docs.example.com/quorvane/filters", "URL", 300);
    add("SQL", "SELECT id, name FROM users WHERE active = 1", "SQL", 900);
    add("pr", "https://github.com/acme/quorvane/pull/42", "URL", 3600);
    add("mail", "team@example.com", "Email", 7200);
    add("release", "https://example.com/release-notes", "URL", 86400);
    if (chinese) {
        add("poem", "床前明月光，疑是地上霜。", std::nullopt, 170000);
    } else {
        add("todo", "TODO: write the release notes for 1.2", std::nullopt, 170000);
    }

    InMemoryPasteboard pasteboard;
    InMemoryApplicationCatalog catalog;
    ClipboardAppIdentityResolver resolver(catalog, {}, "en_US.UTF-8");
    InMemoryScreenProvider screens(ScreenRect{0, 0, 1280, 800});
    InMemoryWindowActivation activation;
    const ReturnTarget editorWindow{0x2a00003, 4242};
    activation.setActiveWindow(editorWindow);
    RecordingPasteShortcutPoster poster(&activation);
    Trusted trust;
    ClipboardPanelViewModel viewModel({history, search, queue, pasteboard, defaults, resolver, clock});
    ClipboardPanelController controller(ClipboardPanelController::Dependencies{
        viewModel, defaults, queue, clock, pasteboard, screens, activation, poster, trust});

    GifAnimationWriter writer(kCanvas);
    Scene scene;
    scene.chinese = chinese;
    scene.editorLines = chinese
                            ? QStringList{QString::fromUtf8("本周要点："), QString::fromUtf8("- 筛选说明见 ")}
                            : QStringList{QStringLiteral("Weekly notes:"), QStringLiteral("- Filter docs: ")};
    int frameNumber = 0;
    // Lets the panel work for `frames` frame times, adding one frame each.
    const auto record = [&](int frames) {
        for (int turn = 0; turn < frames; ++turn) {
            QElapsedTimer elapsed;
            elapsed.start();
            while (elapsed.elapsed() < kFrameMilliseconds)
                QApplication::processEvents(QEventLoop::AllEvents, 10);
            scene.panel = controller.isPanelVisible() ? controller.clipboardPanel().window()->grab().toImage()
                                                      : QImage();
            const QImage frame = drawFrame(scene, (frameNumber / 5) % 2 == 0);
            writer.addFrame(frame, kFrameMilliseconds);
            if (!reviewFolder.isEmpty() && frameNumber % 10 == 0)
                frame.save(
                    QStringLiteral("%1/frame-%2.png").arg(reviewFolder).arg(frameNumber, 3, 10, QChar('0')));
            ++frameNumber;
        }
    };
    const auto field = [&] { return controller.clipboardPanel().searchField(); };
    const auto typeSlowly = [&](const QString& text) {
        for (const QChar character : text) {
            QTest::keyClicks(field(), QString(character));
            record(2);
        }
    };
    const auto press = [&](Qt::Key key, const QString& cap) {
        scene.keys = {cap};
        record(3);
        QTest::keyClick(field(), key);
        record(2);
        scene.keys.clear();
    };

    record(10);
    const QString hotkey = QString::fromStdString(KeyCombo::defaultClipboardHistory().displayString());
    scene.keys = hotkey.split('+', Qt::SkipEmptyParts);
    if (scene.keys.size() < 2) scene.keys = {hotkey};
    record(6);
    controller.showPanel();
    record(4);
    scene.keys.clear();
    record(12);
    typeSlowly(":ur");
    record(8);
    press(Qt::Key_Return, QString::fromUtf8("⏎"));
    record(10);
    typeSlowly("docs");
    record(12);
    press(Qt::Key_Return, QString::fromUtf8("⏎"));
    scene.pasted = QString::fromStdString(pasteboard.string().value_or(""));
    record(30);

    if (!controller.isPanelVisible() && scene.pasted.isEmpty())
        std::fprintf(stderr, "warning: nothing was pasted\n");
    const QByteArray bytes = writer.encode();
    QFile file(output);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s: %d frames, %lld bytes\n", qPrintable(output), writer.frameCount(),
                static_cast<long long>(bytes.size()));
    return 0;
}
