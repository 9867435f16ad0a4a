#include "fakegateway/Scanner.h"

#include "fakegateway/Wire.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <algorithm>

namespace fernholm::fake {

namespace {

const QString hiddenKind = QStringLiteral("HIDDEN");

struct Finding {
    qsizetype start = 0;
    qsizetype end = 0;
    QString kind;
    QString detectedBy;
    std::optional<double> confidence;
    QString display;
    int rank = 0; // breaks ties between findings of the same place and length: lower wins
};

const QRegularExpression& emailPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,})"));
    return pattern;
}

const QRegularExpression& ibanPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(\b[A-Z]{2}[0-9]{2}(?: ?[A-Z0-9]{4}){2,7}(?: ?[A-Z0-9]{1,3})?\b)"));
    return pattern;
}

const QRegularExpression& namePattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(\b(?:Anna Kowalska|Jan Kowalski|Piotr Nowak|Maria Wiśniewska|John Smith|Jane Doe)\b)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

const QRegularExpression& tokenPattern() {
    static const QRegularExpression pattern(QStringLiteral(R"(\[[A-Z][A-Z0-9_]*_[0-9]+\])"));
    return pattern;
}

// A type's switch and display name in the rules as held. A type the rules do not name is on.
struct TypeRule {
    bool enabled = true;
    QString display;
};

TypeRule typeRule(const GatewayState& state, const QString& key) {
    TypeRule rule{true, key};
    bool seen = false;
    for (const QJsonValue& category : state.redaction.value(QLatin1String("categories")).toArray()) {
        for (const QJsonValue& value : category.toObject().value(QLatin1String("types")).toArray()) {
            const QJsonObject type = value.toObject();
            if (type.value(QLatin1String("key")).toString() != key) {
                continue;
            }
            const bool enabled = type.value(QLatin1String("enabled")).toBool(true);
            rule.enabled = seen ? rule.enabled || enabled : enabled;
            if (!seen) {
                rule.display = type.value(QLatin1String("display")).toString(key);
            }
            seen = true;
        }
    }
    return rule;
}

// A blocklist label as a kind: upper case, every run of other characters one "_".
QString kindOfLabel(const QString& label) {
    QString kind;
    for (const QChar c : label.toUpper()) {
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            kind.append(c);
        } else if (!kind.endsWith(QLatin1Char('_'))) {
            kind.append(QLatin1Char('_'));
        }
    }
    while (kind.startsWith(QLatin1Char('_'))) {
        kind.remove(0, 1);
    }
    while (kind.endsWith(QLatin1Char('_'))) {
        kind.chop(1);
    }
    return kind.isEmpty() ? QStringLiteral("CUSTOM_SECRET") : kind;
}

void findAll(QList<Finding>& out, const QString& text, const QString& needle, const Finding& like) {
    if (needle.isEmpty()) {
        return;
    }
    for (qsizetype at = text.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(needle, at + needle.size(), Qt::CaseInsensitive)) {
        Finding finding = like;
        finding.start = at;
        finding.end = at + needle.size();
        out.append(finding);
    }
}

void findPattern(QList<Finding>& out, const QString& text, const QRegularExpression& pattern, const Finding& like) {
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        Finding finding = like;
        finding.start = match.capturedStart();
        finding.end = match.capturedEnd();
        out.append(finding);
    }
}

bool containsCaseless(const QStringList& list, const QString& value) {
    return std::any_of(list.begin(), list.end(),
                       [&](const QString& entry) { return entry.compare(value, Qt::CaseInsensitive) == 0; });
}

} // namespace

QString TokenVault::tokenFor(const QString& kind, const QString& value) {
    const QString key = kind + QChar(0x1f) + value.toCaseFolded();
    const auto known = tokenOf.constFind(key);
    if (known != tokenOf.constEnd()) {
        return *known;
    }
    const int number = ++lastNumber[kind];
    const QString token = QStringLiteral("[%1_%2]").arg(kind).arg(number);
    tokenOf.insert(key, token);
    valueOf.insert(token, value);
    return token;
}

ScanOutcome scanText(GatewayState& state, const QString& text, const QStringList& keep, const QStringList& hide) {
    QElapsedTimer clock;
    clock.start();

    QList<Finding> found;
    for (const QString& value : hide) {
        findAll(found, text, value,
                {0, 0, hiddenKind, QStringLiteral("user"), std::nullopt, QStringLiteral("Hidden"), 0});
    }
    for (const QJsonValue& value : state.redaction.value(QLatin1String("blocklist")).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString label = entry.value(QLatin1String("label")).toString();
        findAll(found, text, entry.value(QLatin1String("keyword")).toString(),
                {0, 0, kindOfLabel(label), QStringLiteral("blocklist"), 1.0, label, 1});
    }
    const struct {
        const char* kind;
        const QRegularExpression& pattern;
        const char* detectedBy;
        double confidence;
    } detectors[] = {
        {"EMAIL_ADDRESS", emailPattern(), "pattern", 1.0},
        {"IBAN", ibanPattern(), "checksum", 0.99},
        {"PERSON", namePattern(), "model", 0.85},
    };
    for (const auto& detector : detectors) {
        const QString kind = QString::fromLatin1(detector.kind);
        const TypeRule rule = typeRule(state, kind);
        if (rule.enabled) {
            findPattern(found, text, detector.pattern,
                        {0, 0, kind, QString::fromLatin1(detector.detectedBy), detector.confidence, rule.display, 2});
        }
    }
    // Earliest first; at one place the longer value, then the user's choice, then the blocklist.
    std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) {
        if (a.start != b.start) {
            return a.start < b.start;
        }
        if (a.end != b.end) {
            return a.end > b.end;
        }
        return a.rank < b.rank;
    });

    const QStringList allowlist = stringList(state.redaction.value(QLatin1String("allowlist")));
    ScanOutcome outcome;
    qsizetype cursor = 0;
    for (const Finding& finding : found) {
        if (finding.start < cursor) {
            continue; // overlaps a value already taken
        }
        const QString value = text.mid(finding.start, finding.end - finding.start);
        const bool hidden = finding.kind == hiddenKind;
        if (containsCaseless(keep, value) || (!hidden && containsCaseless(allowlist, value))) {
            continue;
        }
        const QString token = state.vault.tokenFor(finding.kind, value);
        outcome.afterText += text.mid(cursor, finding.start - cursor) + token;
        cursor = finding.end;

        QJsonObject detail{
            {QStringLiteral("entity_type"), finding.kind},
            {QStringLiteral("detected_by"), finding.detectedBy},
            {QStringLiteral("action"), hidden ? QStringLiteral("hidden") : QStringLiteral("redacted")},
            {QStringLiteral("value"), value},
            {QStringLiteral("token"), token},
        };
        if (finding.confidence) {
            detail.insert(QStringLiteral("confidence"), *finding.confidence);
        }
        outcome.details.append(detail);
        outcome.typeNames.insert(finding.kind, finding.display);
        ++outcome.entities[finding.kind];
        if (!outcome.tokens.contains(token)) {
            outcome.tokens.append(token);
        }
    }
    outcome.afterText += text.mid(cursor);
    outcome.latencyMs = double(clock.nsecsElapsed()) / 1e6;
    return outcome;
}

QJsonObject restoreText(const TokenVault& vault, const QString& text) {
    QString out;
    QJsonArray restored;
    QStringList unrestored;
    qsizetype cursor = 0;
    for (auto it = tokenPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString token = match.captured();
        out += text.mid(cursor, match.capturedStart() - cursor);
        cursor = match.capturedEnd();
        const auto value = vault.valueOf.constFind(token);
        if (value == vault.valueOf.constEnd()) {
            out += token;
            if (!unrestored.contains(token)) {
                unrestored.append(token);
            }
            continue;
        }
        // QString counts UTF-16 code units, which is what the spans are measured in.
        const qsizetype start = out.size();
        out += *value;
        restored.append(QJsonObject{
            {QStringLiteral("start"), start},
            {QStringLiteral("end"), out.size()},
            {QStringLiteral("token"), token},
        });
    }
    out += text.mid(cursor);
    return {
        {QStringLiteral("text"), out},
        {QStringLiteral("unrestored"), QJsonArray::fromStringList(unrestored)},
        {QStringLiteral("restored"), restored},
    };
}

} // namespace fernholm::fake
