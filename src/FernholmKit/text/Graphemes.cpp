#include "FernholmKit/text/Graphemes.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace fernholm::graphemes {

QList<qsizetype> boundaries(QStringView text) {
    QList<qsizetype> out;
    if (text.isEmpty()) {
        out.append(0);
        return out;
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    for (qsizetype pos = 0; pos >= 0; pos = finder.toNextBoundary()) {
        out.append(pos);
    }
    return out;
}

qsizetype count(QStringView text) {
    return boundaries(text).size() - 1;
}

QString first(QStringView text, qsizetype n) {
    const QList<qsizetype> b = boundaries(text);
    const qsizetype chars = b.size() - 1;
    return text.first(b[std::clamp<qsizetype>(n, 0, chars)]).toString();
}

QString last(QStringView text, qsizetype n) {
    const QList<qsizetype> b = boundaries(text);
    const qsizetype chars = b.size() - 1;
    return text.sliced(b[chars - std::clamp<qsizetype>(n, 0, chars)]).toString();
}

QList<QStringView> split(QStringView text) {
    const QList<qsizetype> b = boundaries(text);
    QList<QStringView> out;
    out.reserve(b.size() - 1);
    for (qsizetype i = 0; i + 1 < b.size(); ++i) {
        out.append(text.sliced(b[i], b[i + 1] - b[i]));
    }
    return out;
}

QString capitalizedFirst(const QString& text) {
    const QList<qsizetype> b = boundaries(text);
    if (b.size() < 2) {
        return text;
    }
    return text.first(b[1]).toUpper() + text.sliced(b[1]);
}

} // namespace fernholm::graphemes
