#pragma once

#include <QMargins>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;

namespace fernholm {

class PrimaryButton;
class TextLabel;

// "Unsaved changes" with "Discard" and "Save", in a capsule on Theme::surface with a soft shadow,
// floating over a scrolling page. Its parent is the page's scroll area itself (not the viewport),
// so it stays in place however far the page scrolls; the owner calls place() whenever the scroll
// area changes size.
//
//     auto* bar = new UnsavedChangesBar(page);
//     connect(bar->saveButton(), &QAbstractButton::clicked, model, &AppModel::saveRedaction);
//     bar->setShown(model->redactionDraft().hasChanges());
//
// setShown() slides it in from above with a fade (0.15 s, ease-out) or out again; at once while
// hidden or with animations off. Both buttons are always enabled. The widget is larger than the
// capsule by shadowMargins, but only the drawn capsule takes clicks: its shadow is painted by a
// sibling behind it that lets every click through to the page below.
class UnsavedChangesBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int topGap = 16;      // from the top of the area to the capsule
    static constexpr int trailingGap = 20; // from the trailing edge of the area to the capsule
    static constexpr QMargins shadowMargins{20, 12, 20, 28};

    explicit UnsavedChangesBar(QWidget* parent = nullptr);
    ~UnsavedChangesBar() override;

    TextLabel* textLabel() const { return m_text; }
    PrimaryButton* discardButton() const { return m_discard; }
    PrimaryButton* saveButton() const { return m_save; }

    // Whether the bar is (or is sliding to being) shown.
    bool isShown() const { return m_shown; }
    void setShown(bool shown);

    // Puts the capsule topGap below the top and trailingGap from the trailing edge of the
    // parent's rectangle.
    void place();

    // The capsule in the bar's own coordinates.
    QRectF capsuleRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void apply(qreal progress);
    void followWithShadow();

    TextLabel* m_text = nullptr;
    PrimaryButton* m_discard = nullptr;
    PrimaryButton* m_save = nullptr;
    bool m_shown = false;
    qreal m_progress = 0; // 0 out of sight above, 1 in place
    QPointer<QVariantAnimation> m_slide;
    QPointer<QWidget> m_shadow;
};

} // namespace fernholm
