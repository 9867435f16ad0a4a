#include "FernholmKit/presentation/Workbench.h"

#include "FernholmKit/text/CaselessText.h"
#include "FernholmKit/text/Graphemes.h"
#include "FernholmKit/text/L10n.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace fernholm {

namespace {

bool containsIgnoringCase(const QStringList& list, const QString& value) {
    for (const QString& entry : list) {
        if (CaselessText::equal(entry, value)) {
            return true;
        }
    }
    return false;
}

// Adds the value to `into` unless `opposite` holds it, in which case every such entry of
// `opposite` goes instead.
void choose(const QString& value, QStringList& opposite, QStringList& into) {
    if (containsIgnoringCase(opposite, value)) {
        opposite.removeIf([&value](const QString& entry) { return CaselessText::equal(entry, value); });
        return;
    }
    if (!containsIgnoringCase(into, value)) {
        into.append(value);
    }
}

QString firstEqual(const QStringList& list, const QString& value) {
    for (const QString& entry : list) {
        if (CaselessText::equal(entry, value)) {
            return entry;
        }
    }
    return value;
}

bool isWordUnit(QChar unit) {
    // A surrogate half is Other_Surrogate: it never counts as a word character.
    switch (unit.category()) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

bool isTrimmed(char32_t c) {
    return QChar::isSpace(c) || QChar::isPunct(c);
}

} // namespace

void WorkbenchChoices::restore(const QString& value) {
    choose(value, hidden, kept);
}

void WorkbenchChoices::hide(const QString& value) {
    choose(value, kept, hidden);
}

bool WorkbenchChoices::isHiddenByUser(const QString& value) const {
    return containsIgnoringCase(hidden, value);
}

QString WorkbenchItem::id() const {
    return (token ? *token : QStringLiteral("restored")) + QLatin1Char('|') + value.toLower();
}

QHash<QString, DetectionDetail> Workbench::tokenMap(const QList<DetectionDetail>& details) {
    QHash<QString, DetectionDetail> map;
    for (const DetectionDetail& detail : details) {
        if (!map.contains(detail.token)) {
            map.insert(detail.token, detail);
        }
    }
    return map;
}

QStringList Workbench::tokenValues(const QString& value, const QList<DetectionDetail>& details) {
    QSet<QString> tokens;
    for (const DetectionDetail& detail : details) {
        if (CaselessText::equal(detail.value, value)) {
            tokens.insert(detail.token);
        }
    }
    QStringList taken;
    for (const DetectionDetail& detail : details) {
        if (tokens.contains(detail.token) && !containsIgnoringCase(taken, detail.value)) {
            taken.append(detail.value);
        }
    }
    return taken.isEmpty() ? QStringList{value} : taken;
}

QList<AnonymizedSegment> Workbench::segments(const QString& afterText, const QList<DetectionDetail>& details,
                                             const QStringList& kept) {
    const QHash<QString, DetectionDetail> map = tokenMap(details);
    QList<AnonymizedSegment> out;
    qsizetype cursor = 0;
    qsizetype search = 0;
    qsizetype close = -1; // the first "]" after the last "[" looked at, reused while still ahead
    while (true) {
        const qsizetype open = afterText.indexOf(u'[', search);
        if (open < 0) {
            break;
        }
        if (close <= open) {
            close = afterText.indexOf(u']', open + 1);
        }
        if (close < 0) {
            break;
        }
        const QString candidate = afterText.mid(open, close - open + 1);
        const auto found = map.constFind(candidate);
        if (found == map.constEnd()) {
            search = open + 1; // an inner "[" may still open a token
            continue;
        }
        out += highlighting(afterText.mid(cursor, open - cursor), kept);
        out.append(AnonymizedSegment::token(candidate, found->value, found->entityType));
        cursor = close + 1;
        search = cursor;
    }
    out += highlighting(afterText.mid(cursor), kept);
    return out;
}

QList<AnonymizedSegment> Workbench::highlighting(const QString& text, const QStringList& values) {
    if (text.isEmpty()) {
        return {};
    }
    struct Candidate {
        QString value;
        qsizetype length = 0; // in characters
        bool searched = false;
        std::optional<std::pair<qsizetype, qsizetype>> next; // first occurrence at or after the cursor
    };
    QList<Candidate> candidates;
    for (const QString& value : values) {
        if (!value.isEmpty()) {
            candidates.append(Candidate{value, graphemes::count(value), false, std::nullopt});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.length > b.length; });

    const CaselessText folded(text);
    QList<AnonymizedSegment> out;
    qsizetype cursor = 0;
    while (cursor < text.size()) {
        const std::pair<qsizetype, qsizetype>* best = nullptr;
        for (Candidate& candidate : candidates) {
            if (!candidate.searched || (candidate.next && candidate.next->first < cursor)) {
                candidate.next = folded.find(candidate.value, cursor);
                candidate.searched = true;
            }
            // Strictly earlier only: at one start the longer value, sorted first, wins.
            if (candidate.next && (!best || candidate.next->first < best->first)) {
                best = &*candidate.next;
            }
        }
        if (!best || best->second <= cursor) {
            break;
        }
        const auto [start, end] = *best;
        if (start > cursor) {
            out.append(AnonymizedSegment::plain(text.mid(cursor, start - cursor)));
        }
        out.append(AnonymizedSegment::restored(text.mid(start, end - start)));
        cursor = end;
    }
    if (cursor < text.size()) {
        out.append(AnonymizedSegment::plain(text.mid(cursor)));
    }
    return out;
}

QList<WorkbenchItem> Workbench::items(const QString& afterText, const QList<DetectionDetail>& details,
                                      const QStringList& kept, const QMap<QString, QString>& typeNames) {
    return items(segments(afterText, details, kept), kept, typeNames);
}

QList<WorkbenchItem> Workbench::items(const QList<AnonymizedSegment>& segments, const QStringList& kept,
                                      const QMap<QString, QString>& typeNames) {
    QSet<QString> seen;
    QList<WorkbenchItem> out;
    for (const AnonymizedSegment& segment : segments) {
        switch (segment.kind) {
        case AnonymizedSegment::Kind::plain:
            break;
        case AnonymizedSegment::Kind::restored: {
            const QString key = QStringLiteral("restored|") + segment.text.toLower();
            if (!seen.contains(key)) {
                seen.insert(key);
                out.append(WorkbenchItem{firstEqual(kept, segment.text), std::nullopt, tr("Restored")});
            }
            break;
        }
        case AnonymizedSegment::Kind::token: {
            // All tokens of one value the user hid make one item.
            const QString key = segment.type == QLatin1String("HIDDEN")
                                    ? QStringLiteral("hidden|") + segment.value.toLower()
                                    : segment.text;
            if (!seen.contains(key)) {
                seen.insert(key);
                const auto name = typeNames.constFind(segment.type);
                out.append(WorkbenchItem{segment.value, segment.text,
                                         name != typeNames.constEnd() ? L10n::typeName(*name) : segment.type});
            }
            break;
        }
        }
    }
    return out;
}

std::optional<QString> Workbench::hideCandidate(const QString& selection) {
    qsizetype start = 0;
    qsizetype end = selection.size();
    while (start < end) {
        const char32_t c =
            selection.at(start).isHighSurrogate() && start + 1 < end && selection.at(start + 1).isLowSurrogate()
                ? QChar::surrogateToUcs4(selection.at(start), selection.at(start + 1))
                : selection.at(start).unicode();
        if (!isTrimmed(c)) {
            break;
        }
        start += QChar::requiresSurrogates(c) ? 2 : 1;
    }
    while (end > start) {
        const char32_t c =
            selection.at(end - 1).isLowSurrogate() && end - 2 >= start && selection.at(end - 2).isHighSurrogate()
                ? QChar::surrogateToUcs4(selection.at(end - 2), selection.at(end - 1))
                : selection.at(end - 1).unicode();
        if (!isTrimmed(c)) {
            break;
        }
        end -= QChar::requiresSurrogates(c) ? 2 : 1;
    }
    const QString candidate = selection.mid(start, end - start);
    if (graphemes::count(candidate) <= 1 || candidate.contains(u'[') || candidate.contains(u']')) {
        return std::nullopt;
    }
    return candidate;
}

QString Workbench::snapToWords(const QString& text, qsizetype location, qsizetype length) {
    // The text view only passes ranges inside the text; anything else is clamped to it.
    const qsizetype size = text.size();
    qsizetype start = std::clamp<qsizetype>(location, 0, size);
    qsizetype end = start;
    if (length > 0) {
        end = std::clamp<qsizetype>(location > size - length ? size : location + length, start, size);
    }
    if (start < end) {
        while (start > 0 && start < size && isWordUnit(text.at(start)) && isWordUnit(text.at(start - 1))) {
            --start;
        }
        while (end > 0 && end < size && isWordUnit(text.at(end - 1)) && isWordUnit(text.at(end))) {
            ++end;
        }
    }
    return text.mid(start, end - start);
}

bool Workbench::selectionTouchesToken(const QList<AnonymizedSegment>& segments, qsizetype location, qsizetype length) {
    if (length <= 0) {
        return false;
    }
    // Saturating, so that a huge length cannot wrap around.
    const qsizetype rangeEnd = location > std::numeric_limits<qsizetype>::max() - length
                                   ? std::numeric_limits<qsizetype>::max()
                                   : location + length;
    qsizetype position = 0;
    for (const AnonymizedSegment& segment : segments) {
        const qsizetype segmentEnd = position + segment.text.size();
        if (segment.isToken() && std::max(position, location) < std::min(segmentEnd, rangeEnd)) {
            return true;
        }
        position = segmentEnd;
    }
    return false;
}

std::pair<QList<AnonymizedSegment>, int> Workbench::restoredSegments(const RestoreResult& result) {
    QList<RestoredSpan> spans = result.restored;
    std::stable_sort(spans.begin(), spans.end(),
                     [](const RestoredSpan& a, const RestoredSpan& b) { return a.start < b.start; });
    const QString& text = result.text;
    QList<AnonymizedSegment> out;
    qint64 cursor = 0;
    QSet<QString> tokens;
    for (const RestoredSpan& span : spans) {
        tokens.insert(span.token);
        if (span.start < cursor || span.start >= span.end || span.end > text.size()) {
            continue;
        }
        if (span.start > cursor) {
            out.append(AnonymizedSegment::plain(text.mid(cursor, span.start - cursor)));
        }
        out.append(AnonymizedSegment::restored(text.mid(span.start, span.end - span.start)));
        cursor = span.end;
    }
    if (cursor < text.size()) {
        out.append(AnonymizedSegment::plain(text.mid(cursor)));
    }
    return {out, static_cast<int>(tokens.size())};
}

} // namespace fernholm
