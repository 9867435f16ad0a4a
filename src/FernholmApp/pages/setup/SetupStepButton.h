#pragma once

#include <QAbstractButton>

namespace fernholm {

// The button of a current setup step: a 44-high capsule in Theme::heroInk with the title (sans
// 14/500) and an arrow 8 apart in Theme::hero, 20 in from either end. The whole capsule takes
// clicks. Disabled, it ignores clicks and is drawn at half opacity.
//
//     auto* install = new SetupStepButton(fernholm::tr("Install"));
//     connect(install, &QAbstractButton::clicked, model, &AppModel::installCA);
//
// The title is shown verbatim (translate it first) and is the accessible name.
class SetupStepButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int capsuleHeight = 44;
    static constexpr qreal disabledOpacity = 0.5;

    explicit SetupStepButton(const QString& title, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString& title);

    // The opacity the capsule is drawn at now.
    qreal opacity() const { return isEnabled() ? 1.0 : disabledOpacity; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
};

} // namespace fernholm
