#include "FernholmApp/theme/TextPainting.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace fernholm::Text {

namespace {

const QChar ellipsis(0x2026);

QString normalised(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    t.replace(u'\n', QChar::LineSeparator);
    t.replace(u'\r', QChar::LineSeparator);
    t.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
    return t;
}

QString withoutTrailingSpace(QString line) {
    while (!line.isEmpty() && (line.back().isSpace() || line.back() == QChar::LineSeparator)) {
        line.chop(1);
    }
    return line;
}

// An elided line without the space the cut may leave before its ellipsis ("word, …" -> "word,…").
QString elided(const QFontMetricsF& metrics, const QString& text, qreal width) {
    QString line = metrics.elidedText(text, Qt::ElideRight, width);
    if (line.endsWith(ellipsis) && line != text) {
        line = withoutTrailingSpace(line.chopped(1)) + ellipsis;
    }
    return line;
}

// The last shown line of a cut text: `rest` is everything from that line's start on.
QString lastLine(const QString& rest, const QFontMetricsF& metrics, qreal width) {
    const qsizetype breakAt = rest.indexOf(QChar::LineSeparator);
    if (breakAt < 0) {
        return elided(metrics, rest, width); // wider than the line: elides
    }
    // A line break cuts the text: the ellipsis shows even when the line itself fits.
    const QString first = withoutTrailingSpace(rest.left(breakAt));
    if (metrics.horizontalAdvance(first + ellipsis) <= width) {
        return first + ellipsis;
    }
    QString cut =
        withoutTrailingSpace(elided(metrics, first, std::max(qreal(0), width - metrics.horizontalAdvance(ellipsis))));
    if (!cut.endsWith(ellipsis)) {
        cut += ellipsis;
    }
    return cut;
}

int pixelSizeOf(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

} // namespace

qreal lineHeight(const QFont& font, qreal lineSpacing) {
    return QFontMetricsF(font).lineSpacing() + lineSpacing;
}

Lines layout(const QString& text, const QFont& font, qreal width, const Options& options) {
    Lines result;
    if (text.isEmpty()) {
        return result;
    }
    const QString t = normalised(text);
    const QFontMetricsF metrics(font);
    const qreal w = std::max(qreal(0), width);
    qreal layoutWidest = 0;

    if (options.maxLines == 1) {
        const qsizetype breakAt = t.indexOf(QChar::LineSeparator);
        const bool cutByBreak = breakAt >= 0 && !t.mid(breakAt + 1).trimmed().isEmpty();
        const QString whole = withoutTrailingSpace(breakAt >= 0 ? t.left(breakAt) : t);
        QString line = whole;
        if (cutByBreak) {
            line = lastLine(t, metrics, w);
        } else if (metrics.horizontalAdvance(whole) > w) {
            line = elided(metrics, whole, w);
        }
        result.truncated = line != whole;
        result.lines << line;
    } else {
        QTextLayout textLayout(t, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        textLayout.setTextOption(option);
        textLayout.beginLayout();
        QList<std::pair<int, int>> spans;
        QList<qreal> naturalWidths;
        for (QTextLine line = textLayout.createLine(); line.isValid(); line = textLayout.createLine()) {
            line.setLineWidth(w);
            spans.append({line.textStart(), line.textLength()});
            naturalWidths.append(line.naturalTextWidth());
        }
        textLayout.endLayout();
        const qsizetype shown =
            options.maxLines > 0 ? std::min<qsizetype>(spans.size(), options.maxLines) : spans.size();
        result.truncated = shown < spans.size();
        for (qsizetype i = 0; i < shown; ++i) {
            // The layout's own measure of a line can pass the metrics' by a fraction of a pixel
            // (letter spacing after the last glyph): a narrower width would break it again.
            layoutWidest = std::max(layoutWidest, naturalWidths[i]);
            if (result.truncated && i == shown - 1) {
                result.lines << lastLine(t.mid(spans[i].first), metrics, w);
            } else {
                result.lines << withoutTrailingSpace(t.mid(spans[i].first, spans[i].second));
            }
        }
    }

    qreal widest = layoutWidest;
    for (const QString& line : std::as_const(result.lines)) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    const auto count = result.lines.size();
    result.size = QSizeF(widest, count == 0 ? 0 : count * metrics.lineSpacing() + (count - 1) * options.lineSpacing);
    return result;
}

QSizeF size(const QString& text, const QFont& font, qreal width, const Options& options) {
    return layout(text, font, width, options).size;
}

bool draw(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font, const QColor& color,
          const Options& options) {
    const Lines laid = layout(text, font, rect.width(), options);
    const QFontMetricsF metrics(font);
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    qreal baseline = rect.top() + metrics.ascent();
    for (const QString& line : laid.lines) {
        const qreal lineWidth = metrics.horizontalAdvance(line);
        qreal x = rect.left();
        if (options.alignment & Qt::AlignRight) {
            x = rect.right() - lineWidth;
        } else if (options.alignment & Qt::AlignHCenter) {
            x = rect.left() + (rect.width() - lineWidth) / 2;
        }
        painter.drawText(QPointF(x, baseline), line);
        baseline += metrics.lineSpacing() + options.lineSpacing;
    }
    painter.restore();
    return laid.truncated;
}

QString elidedLine(const QString& text, const QFont& font, qreal width) {
    return elided(QFontMetricsF(font), text, std::max(qreal(0), width));
}

QFont shrunkToFit(const QString& text, const QFont& font, qreal width, qreal minimumScale) {
    const QString line = normalised(text).section(QChar::LineSeparator, 0, 0);
    if (QFontMetricsF(font).horizontalAdvance(line) <= width) {
        return font;
    }
    const int full = pixelSizeOf(font);
    const int smallest = std::max(1, int(std::ceil(full * std::clamp(minimumScale, 0.0, 1.0) - 1e-9)));
    const qreal tracking = font.letterSpacingType() == QFont::AbsoluteSpacing ? font.letterSpacing() : 0;
    QFont candidate = font;
    for (int px = full - 1; px >= smallest; --px) {
        candidate.setPixelSize(px);
        if (tracking != 0) {
            candidate.setLetterSpacing(QFont::AbsoluteSpacing, tracking * px / full);
        }
        if (QFontMetricsF(candidate).horizontalAdvance(line) <= width) {
            return candidate;
        }
    }
    return candidate;
}

} // namespace fernholm::Text
