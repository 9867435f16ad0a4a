#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>

namespace fernholm {

// The large two-part title of the first-run pages: a plain `lead` and a `marked` part that sits on
// a painted marker stroke, both in the display face at `fontSize` with tracking -0.04 x the size.
// The lead is Theme::ink; the marked part is Theme::onAccent on the marker image
// (BrandImages::marker, tinted Theme::accent, mirrored, reaching 0.026 x the size above the text,
// 0.196 before it, 0.109 below and 0.384 after it); without the image it has no background.
//
// The two parts stand side by side on one baseline, 0.4 x the size apart, when their widths fit
// the width the widget is given; otherwise they are stacked, centred, 0.18 x the size apart (the
// lead wrapping, centred, when it must). The arrangement is centred in the widget, which has a
// height for its width. One accessible heading reads both parts.
class MarkedTitle : public QWidget {
    Q_OBJECT
public:
    MarkedTitle(const QString& lead, const QString& marked, qreal fontSize, QWidget* parent = nullptr);

    QString lead() const { return m_lead; }
    QString marked() const { return m_marked; }
    void setTexts(const QString& lead, const QString& marked);
    qreal fontSize() const { return m_size; }

    // Where the parts go in a given width.
    struct Arrangement {
        bool stacked = false;
        QRectF lead;   // the lead's text box
        QRectF marked; // the marked part's text box
        QRectF marker; // the marker behind it (the text box grown by the marker's reach)
        qreal height = 0;
    };
    Arrangement arrangement(qreal width) const;
    // At the current width.
    bool isStacked() const { return arrangement(width()).stacked; }
    QRectF leadRect() const { return arrangement(width()).lead; }
    QRectF markedRect() const { return arrangement(width()).marked; }

    QFont titleFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_lead;
    QString m_marked;
    qreal m_size;
};

} // namespace fernholm
