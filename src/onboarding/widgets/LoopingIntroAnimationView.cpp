#include "onboarding/widgets/LoopingIntroAnimationView.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QVBoxLayout>

#include "base/Logger.h"

// The resource lives in a static library: its registration must be pulled in by name.
static void initialiseOnboardingIntro() {
    Q_INIT_RESOURCE(OnboardingIntro);
}

namespace quorvane {

namespace {

constexpr qreal kCornerRadius = 8;
constexpr int kInset = 1;

}  // namespace

LoopingIntroAnimationView::LoopingIntroAnimationView(const QString& fileName, QWidget* parent)
    : SettingsCard(parent), fileName_(fileName) {
    setObjectName("introAnimation");
    setMinimumSize(500, 274);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* movie = new QMovie(fileName, QByteArray(), this);
    movie->setCacheMode(QMovie::CacheNone);
    if (!movie->isValid()) {
        delete movie;
        fallBackToPlaceholder(QStringLiteral("unreadable animation"));
        return;
    }
    movie_ = movie;
    connect(movie_, &QMovie::frameChanged, this, [this] { update(); });
    connect(movie_, &QMovie::error, this, [this](QImageReader::ImageReaderError) {
        fallBackToPlaceholder(movie_ ? movie_->lastErrorString() : QString());
    });
    // A file without the looping extension plays once; start it over so it always loops.
    connect(movie_, &QMovie::finished, this, [this] {
        if (movie_ && isVisible()) movie_->start();
    });
    movie_->jumpToFrame(0);
}

LoopingIntroAnimationView::~LoopingIntroAnimationView() {
    if (movie_) movie_->stop();
}

QString LoopingIntroAnimationView::resourceFor(AppLanguage language) {
    initialiseOnboardingIntro();
    return language == AppLanguage::simplifiedChinese
               ? QStringLiteral(":/quorvane/onboarding/onboarding-intro-zh-Hans.gif")
               : QStringLiteral(":/quorvane/onboarding/onboarding-intro-en.gif");
}

bool LoopingIntroAnimationView::isPlaying() const {
    return movie_ && movie_->state() == QMovie::Running;
}

int LoopingIntroAnimationView::currentFrameNumber() const {
    return movie_ ? movie_->currentFrameNumber() : -1;
}

void LoopingIntroAnimationView::fallBackToPlaceholder(const QString& reason) {
    Logger::error(
        "Failed to load onboarding animation " + fileName_.toStdString() + ": " + reason.toStdString(),
        "Onboarding");
    if (movie_) {
        // Deleted later: this may run inside the movie's own signal.
        movie_->disconnect(this);
        movie_->stop();
        movie_->deleteLater();
        movie_ = nullptr;
    }
    if (placeholder_) return;
    auto* layout = new QVBoxLayout(this);
    auto* symbol = new QLabel(this);
    QIcon icon = QIcon::fromTheme("media-playback-start");
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
    symbol->setPixmap(icon.pixmap(40, 40));
    symbol->setFixedSize(40, 40);
    symbol->setObjectName("introAnimationPlaceholder");
    layout->addWidget(symbol, 0, Qt::AlignCenter);
    placeholder_ = symbol;
    update();
}

void LoopingIntroAnimationView::paintEvent(QPaintEvent* event) {
    SettingsCard::paintEvent(event);
    if (!movie_) return;
    const QImage frame = movie_->currentImage();
    if (frame.isNull()) return;
    const QRectF area = QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset);
    QSizeF size = QSizeF(frame.size()).scaled(area.size(), Qt::KeepAspectRatio);
    const QRectF target(area.center() - QPointF(size.width() / 2, size.height() / 2), size);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(area, kCornerRadius - kInset, kCornerRadius - kInset);
    painter.setClipPath(clip);
    painter.drawImage(target, frame);
}

void LoopingIntroAnimationView::showEvent(QShowEvent* event) {
    SettingsCard::showEvent(event);
    if (!movie_) return;
    if (movie_->state() == QMovie::Paused)
        movie_->setPaused(false);
    else if (movie_->state() == QMovie::NotRunning)
        movie_->start();
}

void LoopingIntroAnimationView::hideEvent(QHideEvent* event) {
    SettingsCard::hideEvent(event);
    if (movie_ && movie_->state() == QMovie::Running) movie_->setPaused(true);
}

}  // namespace quorvane
