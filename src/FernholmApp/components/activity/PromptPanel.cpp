#include "FernholmApp/components/activity/PromptPanel.h"

#include "FernholmApp/components/activity/AnonymizedTextView.h"
#include "FernholmApp/components/controls/EnterKey.h"
#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/text/MarkedText.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

constexpr int padH = 18;
constexpr int padV = 16;
constexpr int spacing = 10;
constexpr qreal radius = 14;
// The pill view draws its text inset; pulled out by as much, its text lines up with the label.
constexpr int pillInsetH = 7;
constexpr int pillInsetV = 4;

// "Show all" / "Show less": an underlined 12/500 text with no chrome.
class ExpandLink : public QAbstractButton {
public:
    ExpandLink(bool dark, QWidget* parent) : QAbstractButton(parent), m_color(dark ? Theme::onFeature : Theme::ink) {
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
    }

    static QFont linkFont() {
        QFont font = Fonts::sans(12, 500);
        font.setUnderline(true);
        return font;
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(linkFont());
        return QSize(int(std::ceil(metrics.horizontalAdvance(text()))), int(std::ceil(metrics.height())));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor color = m_color.on(this);
        painter.setOpacity(isDown() ? 0.75 : 1.0);
        painter.setFont(linkFont());
        painter.setPen(color);
        painter.drawText(QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
        if (FocusRing::visible(this)) {
            FocusRing::paint(painter, QRectF(rect()).adjusted(-2, -2, 2, 2), 6, color);
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (!pressOnEnter(this, event)) {
            QAbstractButton::keyPressEvent(event);
        }
    }

private:
    ThemeColor m_color;
};

bool holdsToken(const QList<AnonymizedSegment>& segments) {
    return std::any_of(segments.cbegin(), segments.cend(), [](const AnonymizedSegment& s) { return s.isToken(); });
}

} // namespace

PromptPanel::PromptPanel(bool dark, QWidget* parent) : QWidget(parent), m_dark(dark) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    if (dark) {
        // Everything inside is drawn as on a dark card, whatever the window's scheme.
        Appearance::force(this, ColorScheme::dark);
    }
    m_title = new TextLabel(QString(), Fonts::tracked(Fonts::sans(12, 600), 0.72),
                            dark ? Theme::onFeatureDim : Theme::dim, this);
    m_title->setMaxLines(1);
    m_plain = new MarkedText(Fonts::sans(14), dark ? Theme::onFeature : Theme::ink, this);
    m_plain->setLineSpacing(4);
    m_toggle = new ExpandLink(dark, this);
    connect(m_toggle, &QAbstractButton::clicked, this, &PromptPanel::toggleRequested);
    refresh();
}

void PromptPanel::setContent(const QString& label, const QString& text, const QList<AnonymizedSegment>& segments) {
    if (m_hasSegments && label == m_label && text == m_text && segments == m_segments) {
        return;
    }
    m_hasSegments = true;
    m_label = label;
    m_text = text;
    m_segments = segments;
    refresh();
}

void PromptPanel::setExpanded(bool expanded) {
    if (expanded == m_expanded) {
        return;
    }
    m_expanded = expanded;
    refresh();
}

bool PromptPanel::isClipped() const {
    return m_clipped;
}

bool PromptPanel::passesLimitAt(int width) const {
    // Long by its characters or line breaks, or by the lines it lays out into at this width: a
    // single long paragraph wraps past the limit as surely as many short lines do.
    if (promptPreviewIsClipped(m_text, lineLimit)) {
        return true;
    }
    const int inner = std::max(1, width - 2 * padH);
    if (m_tokens && !m_tokens->isHidden()) {
        return m_tokens->lineCount(inner + 2 * pillInsetH) > lineLimit;
    }
    return m_plain->lineCount(inner) > lineLimit;
}

QWidget* PromptPanel::content() const {
    if (m_tokens && !m_tokens->isHidden()) {
        return m_tokens;
    }
    return m_plain;
}

QString PromptPanel::spokenForm(const QList<AnonymizedSegment>& segments) {
    QString spoken;
    for (const AnonymizedSegment& segment : segments) {
        if (!segment.isToken()) {
            spoken += segment.text;
            continue;
        }
        QStringView name(segment.text);
        while (!name.isEmpty() && (name.front() == u'[' || name.front() == u']')) {
            name = name.mid(1);
        }
        while (!name.isEmpty() && (name.back() == u'[' || name.back() == u']')) {
            name.chop(1);
        }
        // "PERSON_1": the type's display name where the table has one, then the number.
        const QString token = name.toString();
        QString shown = QString(token).replace(u'_', u' ');
        const qsizetype lastPart = token.lastIndexOf(u'_');
        if (lastPart > 0) {
            bool numbered = false;
            token.mid(lastPart + 1).toInt(&numbered);
            const QString typeKey = segment.type.isEmpty() ? token.left(lastPart) : segment.type;
            const QString display = L10n::typeName(typeKey, QString());
            if (numbered && !display.isEmpty()) {
                shown = display + u' ' + token.mid(lastPart + 1);
            }
        }
        spoken += fernholm::tr(QStringLiteral("hidden: {name}"), {{QStringLiteral("name"), shown}});
    }
    return spoken;
}

void PromptPanel::refresh() {
    m_title->setText(m_label.toUpper());
    const std::optional<int> limit = m_expanded ? std::nullopt : std::optional<int>(lineLimit);
    const bool pills = m_dark && holdsToken(m_segments);
    if (pills) {
        if (!m_tokens) {
            m_tokens = new AnonymizedTextView(Fonts::sans(14), true, this);
            m_tokens->setInteractive(false);
            m_tokens->setFitsContent(true);
            // Clipped to its first lines, never scrolled.
            m_tokens->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            m_tokens->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            m_tokens->setTooltip([](const AnonymizedSegment& segment) -> std::optional<QString> {
                if (segment.isToken()) {
                    return segment.value;
                }
                return std::nullopt;
            });
        }
        m_tokens->setSegments(m_segments);
        m_tokens->setMaxLines(limit);
        m_tokens->setAccessibleName(spokenForm(m_segments));
        m_tokens->show();
        m_plain->hide();
    } else {
        if (m_tokens) {
            m_tokens->hide();
        }
        if (m_dark) {
            // Without a placeholder there is nothing to draw as a pill: the text as it was sent.
            m_plain->setSegments({AnonymizedSegment::plain(m_text)});
        } else {
            m_plain->setSegments(m_segments);
        }
        m_plain->setMaxLines(limit);
        m_plain->show();
    }
    m_toggle->setText(m_expanded ? fernholm::tr(QStringLiteral("Show less")) : fernholm::tr(QStringLiteral("Show all")));
    updateGeometry();
    arrange(width(), true);
    update();
}

int PromptPanel::arrange(int width, bool apply) const {
    const int inner = std::max(1, width - 2 * padH);
    int y = padV;
    const int titleHeight = m_title->heightForWidth(inner);
    if (apply) {
        m_title->setGeometry(padH, y, inner, titleHeight);
    }
    y += titleHeight + spacing;
    if (m_tokens && !m_tokens->isHidden()) {
        const int viewWidth = inner + 2 * pillInsetH;
        const int viewHeight = m_tokens->heightForWidth(viewWidth);
        if (apply) {
            m_tokens->setGeometry(padH - pillInsetH, y - pillInsetV, viewWidth, viewHeight);
        }
        y += std::max(0, viewHeight - 2 * pillInsetV);
    } else {
        const int textHeight = m_plain->heightForWidth(inner);
        if (apply) {
            m_plain->setGeometry(padH, y, inner, textHeight);
        }
        y += textHeight;
    }
    const bool clipped = passesLimitAt(width);
    if (apply) {
        m_clipped = clipped;
        m_toggle->setVisible(clipped);
    }
    if (clipped) {
        const QSize link = m_toggle->sizeHint();
        y += spacing;
        if (apply) {
            m_toggle->setGeometry(padH, y, std::min(link.width(), inner), link.height());
        }
        y += link.height();
    }
    return y + padV;
}

int PromptPanel::heightForWidth(int width) const {
    return arrange(width, false);
}

QSize PromptPanel::sizeHint() const {
    const int width = 320;
    return QSize(width, heightForWidth(width));
}

QSize PromptPanel::minimumSizeHint() const {
    return QSize(2 * padH + 40, 0);
}

void PromptPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange(width(), true);
}

void PromptPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The dark panel is dark in both schemes, in the window's shade of it.
    const ThemeColor& fill = m_dark ? Theme::feature : Theme::inset;
    const ColorScheme scheme = Appearance::schemeOf(m_dark ? parentWidget() : this);
    Paint::fill(painter, Paint::roundedRect(QRectF(rect()), radius), fill.resolve(scheme));
}

} // namespace fernholm
