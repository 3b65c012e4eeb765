#pragma once
// The tutorial page's intro: the animation of the panel in use, scaled to fit inside a rounded card, looping
// while the view is shown and paused while it is hidden. An animation that cannot be read leaves a play
// symbol in its place. Animations carry no sound. Main thread only.

#include <QString>

#include "l10n/AppLanguage.h"
#include "settings/widgets/SettingsCard.h"

class QMovie;

namespace quorvane {

class LoopingIntroAnimationView : public SettingsCard {
    Q_OBJECT
public:
    // `fileName` is a resource or file path of an animation QMovie reads (GIF).
    explicit LoopingIntroAnimationView(const QString& fileName, QWidget* parent = nullptr);
    ~LoopingIntroAnimationView() override;

    // The animation that ships for `language`.
    static QString resourceFor(AppLanguage language);

    const QString& fileName() const { return fileName_; }
    bool showsPlaceholder() const { return movie_ == nullptr; }
    bool isPlaying() const;
    // The frame shown, -1 with the placeholder.
    int currentFrameNumber() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fallBackToPlaceholder(const QString& reason);

    QMovie* movie_ = nullptr;
    QWidget* placeholder_ = nullptr;
    QString fileName_;
};

}  // namespace quorvane
