#pragma once

// The prompt workbench: the user's keep and hide choices, and the pure logic that cuts checked
// texts and restored replies into runs of plain text, placeholder tokens and real values.

#include "FernholmKit/control/EventModels.h"
#include "FernholmKit/control/ScanModels.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace fernholm {

// The user's overrides for one text. Entries keep the spelling they were added with; no two
// entries of a list, and no entries of both lists, are equal without regard to case.
struct WorkbenchChoices {
    QStringList kept;   // sent unreplaced although the gateway would replace them ("keep")
    QStringList hidden; // replaced although the gateway would not ("hide")

    bool isEmpty() const { return kept.isEmpty() && hidden.isEmpty(); }

    // Send this value after all: undoes the user's own hide of it, else keeps it.
    void restore(const QString& value);
    // Replace this value: undoes a keep of it, else hides it.
    void hide(const QString& value);
    bool isHiddenByUser(const QString& value) const;

    // Exact: order and letter case count.
    bool operator==(const WorkbenchChoices&) const = default;
};

// One run of a checked text or a restored reply.
struct AnonymizedSegment {
    enum class Kind {
        token,    // a placeholder; `value` is the real value behind it, `type` the detection's type
        plain,    // shown unchanged
        restored, // a real value visible in the text: kept by the user, or put back into a reply
    };

    QString text; // exactly as in the text; for a token the whole bracketed token
    Kind kind = Kind::plain;
    QString value; // token only
    QString type;  // token only

    static AnonymizedSegment plain(const QString& text) { return {text, Kind::plain, {}, {}}; }
    static AnonymizedSegment restored(const QString& text) { return {text, Kind::restored, {}, {}}; }
    static AnonymizedSegment token(const QString& text, const QString& value, const QString& type) {
        return {text, Kind::token, value, type};
    }
    bool isToken() const { return kind == Kind::token; }

    bool operator==(const AnonymizedSegment&) const = default;
};

// One entry of the found-values list beside the checked text.
struct WorkbenchItem {
    QString value;
    std::optional<QString> token; // none for a restored value
    QString typeName;

    bool isRestored() const { return !token; }
    // The token, or "restored", then "|" and the value lower-cased.
    QString id() const;

    bool operator==(const WorkbenchItem&) const = default;
};

// The workbench's text logic. Offsets and ranges are UTF-16 code units (QString indices);
// "characters" are user-perceived characters. Comparisons "without regard to case" are those of
// CaselessText. Nothing here fails.
struct Workbench {
    Workbench() = delete;

    // Token -> detail; the first detail of a token keeps it.
    static QHash<QString, DetectionDetail> tokenMap(const QList<DetectionDetail>& details);

    // Every real value that shares a token with `value`, first spelling first; `value` alone
    // when no detail carries it.
    static QStringList tokenValues(const QString& value, const QList<DetectionDetail>& details);

    // The checked text cut into plain runs, known tokens and the kept values in it.
    static QList<AnonymizedSegment> segments(const QString& afterText, const QList<DetectionDetail>& details,
                                             const QStringList& kept);

    // The text cut into plain runs and the occurrences of the values (longest value first where
    // two start at one place), each spelled as in the text. An empty text gives no segments.
    static QList<AnonymizedSegment> highlighting(const QString& text, const QStringList& values);

    static QList<WorkbenchItem> items(const QString& afterText, const QList<DetectionDetail>& details,
                                      const QStringList& kept, const QMap<QString, QString>& typeNames);
    // typeNames: entity type -> English display name (empty when the reply had none).
    static QList<WorkbenchItem> items(const QList<AnonymizedSegment>& segments, const QStringList& kept,
                                      const QMap<QString, QString>& typeNames);

    // The selection without surrounding blanks and punctuation, when that is more than one
    // character and holds no bracket.
    static std::optional<QString> hideCandidate(const QString& selection);

    // The text of the range widened to whole words (letters, marks and digits).
    static QString snapToWords(const QString& text, qsizetype location, qsizetype length);

    // Whether the range (over the concatenated segment texts) overlaps a token.
    static bool selectionTouchesToken(const QList<AnonymizedSegment>& segments, qsizetype location, qsizetype length);

    // The reply cut into plain runs and restored values, and the number of distinct tokens that
    // were restored (skipped spans included). Overlapping, empty and out-of-range spans are skipped.
    static std::pair<QList<AnonymizedSegment>, int> restoredSegments(const RestoreResult& result);
};

} // namespace fernholm
