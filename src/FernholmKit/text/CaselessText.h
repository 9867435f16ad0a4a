#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace fernholm {

// Comparison and search without regard to case, for every Unicode letter, with canonically
// equivalent spellings ("é" and "e" followed by U+0301) counting as equal: full case folding
// over the decomposed form, so "straße" matches "STRASSE".
class CaselessText {
public:
    static bool equal(const QString& a, const QString& b);

    // Prepares `text` for repeated searches.
    explicit CaselessText(const QString& text);

    // The first occurrence of `value` that starts at or after `from` (UTF-16 code units of the
    // text), as [start, end) in code units of the text. Matches begin and end on whole
    // characters: "e" is not found inside "é". An empty value is never found.
    std::optional<std::pair<qsizetype, qsizetype>> find(const QString& value, qsizetype from) const;

private:
    // The folded text, and for each of its code units the run of the original text it came
    // from. A run is a starter with the combining marks that follow it.
    QString m_folded;
    QList<qsizetype> m_runStart; // per folded unit: where its run starts in the text
    QList<qsizetype> m_runEnd;   // per folded unit: where its run ends in the text
    QList<bool> m_beginsRun;     // per folded unit: the first unit of its run's folded form
};

} // namespace fernholm
