#pragma once

// Text measured in user-perceived characters (extended grapheme clusters): an emoji with its
// modifiers, a flag or a letter with its combining marks counts as one.

#include <QList>
#include <QString>
#include <QStringView>

namespace fernholm::graphemes {

// The UTF-16 offsets where characters start, followed by the text's length.
QList<qsizetype> boundaries(QStringView text);

qsizetype count(QStringView text);
// The first n characters (the whole text when it has fewer).
QString first(QStringView text, qsizetype n);
// The last n characters (the whole text when it has fewer).
QString last(QStringView text, qsizetype n);
// Each character in order.
QList<QStringView> split(QStringView text);
// The first character upper-cased, the rest as it is.
QString capitalizedFirst(const QString& text);

} // namespace fernholm::graphemes
