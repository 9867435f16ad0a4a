#include "FernholmKit/text/L10n.h"

#include "FernholmKit/platform/Defaults.h"
#include "FernholmKit/text/StringsFile.h"

#include <QFile>
#include <QFileInfo>

#include <unicode/regex.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace fernholm {

namespace {

using Table = QHash<QString, QString>;

// Written by the language switch on the GUI thread, read from anywhere.
std::atomic<bool> g_polish{false};

struct TableCache {
    std::mutex mutex;
    QHash<QString, Table> tables;
    QString overrideRoot;
    bool embedded = true;
    int loads = 0;
};

TableCache& tableCache() {
    static TableCache cache;
    return cache;
}

bool isLanguageCode(const QString& language) {
    if (language.isEmpty()) {
        return false;
    }
    for (QChar c : language) {
        if (!(c.isLetter() && c.unicode() < 128) && c != u'-' && c != u'_') {
            return false;
        }
    }
    return true;
}

// Called with the cache's lock held.
QString tableFile(const TableCache& cache, const QString& language) {
    QStringList roots;
    if (!cache.overrideRoot.isEmpty()) {
        roots << cache.overrideRoot;
    }
    if (cache.embedded) {
        // Built into the library as Qt resources (see CMakeLists.txt).
        roots << QStringLiteral(":/FernholmKit");
    }
    for (const QString& root : roots) {
        const QString path = root + u'/' + language + QLatin1String(".lproj/Localizable.strings");
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return {};
}

Table readTable(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return StringsFile::parse(file.readAll()).value_or(Table{});
}

// The category of a count's magnitude: "one", "few" or "many".
QLatin1String polishPluralCategory(qint64 count) {
    // Unsigned, so that the smallest 64-bit value has a magnitude too.
    const quint64 magnitude = count < 0 ? quint64(0) - quint64(count) : quint64(count);
    if (magnitude == 1) {
        return QLatin1String("one");
    }
    const quint64 lastDigit = magnitude % 10;
    const quint64 lastTwo = magnitude % 100;
    if (lastDigit >= 2 && lastDigit <= 4 && !(lastTwo >= 12 && lastTwo <= 14)) {
        return QLatin1String("few");
    }
    return QLatin1String("many");
}

icu::UnicodeString toIcu(const QString& text) {
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// Each pattern compiled once, in the order of sidecarPatterns(); null where one fails to compile.
const std::vector<std::unique_ptr<icu::RegexPattern>>& compiledSidecarPatterns() {
    static const std::vector<std::unique_ptr<icu::RegexPattern>> compiled = [] {
        std::vector<std::unique_ptr<icu::RegexPattern>> out;
        for (const L10n::SidecarPattern& row : L10n::sidecarPatterns()) {
            UParseError parseError{};
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::RegexPattern> pattern(
                icu::RegexPattern::compile(toIcu(row.pattern), 0, parseError, status));
            out.push_back(U_SUCCESS(status) ? std::move(pattern) : nullptr);
        }
        return out;
    }();
    return compiled;
}

// The Polish for one gateway message: an exact table entry, else the first matching pattern.
std::optional<QString> polishPhrase(const QString& text) {
    const Table polish = L10n::table(QStringLiteral("pl"));
    if (auto it = polish.constFind(text); it != polish.constEnd()) {
        return *it;
    }
    const auto& rows = L10n::sidecarPatterns();
    const auto& compiled = compiledSidecarPatterns();
    const icu::UnicodeString input = toIcu(text);
    for (std::size_t i = 0; i < compiled.size(); ++i) {
        if (!compiled[i]) {
            continue;
        }
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(compiled[i]->matcher(input, status));
        if (U_FAILURE(status) || !matcher->find(status) || U_FAILURE(status)) {
            continue;
        }
        static constexpr std::array<const char*, 3> names{"x", "y", "z"};
        TrArgs args;
        for (int32_t group = 1; group <= int32_t(names.size()) && group <= matcher->groupCount(); ++group) {
            UErrorCode groupStatus = U_ZERO_ERROR;
            if (matcher->start(group, groupStatus) < 0 || U_FAILURE(groupStatus)) {
                continue; // did not take part: its placeholder stays as written
            }
            const icu::UnicodeString captured = matcher->group(group, groupStatus);
            if (U_SUCCESS(groupStatus)) {
                args.insert(QString::fromLatin1(names[std::size_t(group - 1)]), fromIcu(captured));
            }
        }
        const L10n::SidecarPattern& row = rows[qsizetype(i)];
        if (row.typeKeysInX && args.contains(QStringLiteral("x"))) {
            QStringList names;
            for (const QString& key : args.value(QStringLiteral("x")).text().split(QLatin1Char(','))) {
                const QString trimmed = key.trimmed();
                names << L10n::typeName(trimmed, trimmed);
            }
            args.insert(QStringLiteral("x"), names.join(QStringLiteral(", ")));
        }
        const QString& templateText = row.templateText;
        return L10n::fill(polish.value(templateText, templateText), args);
    }
    return std::nullopt;
}

} // namespace

QString tr(const QString& text, const TrArgs& args) {
    if (L10n::isPolish()) {
        const Table polish = L10n::table(QStringLiteral("pl"));
        if (auto it = polish.constFind(text); it != polish.constEnd()) {
            return L10n::fill(*it, args);
        }
    }
    return L10n::fill(text, args);
}

QString trIn(const char* context, const QString& text, const TrArgs& args) {
    if (L10n::isPolish()) {
        const Table polish = L10n::table(QStringLiteral("pl"));
        const QString key = text + u'@' + QString::fromUtf8(context);
        if (auto it = polish.constFind(key); it != polish.constEnd()) {
            return L10n::fill(*it, args);
        }
    }
    return tr(text, args);
}

QString joinList(const QStringList& parts, ListJoin join) {
    if (parts.size() < 2) {
        return parts.isEmpty() ? QString() : parts.first();
    }
    const QString last = join == ListJoin::items ? fernholm::tr(" and ") : fernholm::tr(", and ");
    return QStringList(parts.first(parts.size() - 1)).join(QStringLiteral(", ")) + last + parts.last();
}

QString L10n::language() {
    return g_polish.load() ? QStringLiteral("pl") : QStringLiteral("en");
}

void L10n::setLanguage(const QString& language) {
    g_polish.store(language == QLatin1String("pl"));
}

bool L10n::isPolish() {
    return g_polish.load();
}

std::optional<QLocale> L10n::locale() {
    if (isPolish()) {
        return QLocale(QStringLiteral("pl_PL"));
    }
    return std::nullopt;
}

QString L10n::systemLanguage(const QStringList& preferred) {
    if (preferred.isEmpty()) {
        return QStringLiteral("en");
    }
    const QString first = preferred.first().toLower();
    if (first == QLatin1String("pl") || first.startsWith(QLatin1String("pl-")) ||
        first.startsWith(QLatin1String("pl_"))) {
        return QStringLiteral("pl");
    }
    return QStringLiteral("en");
}

QString L10n::startLanguage(const Defaults& defaults, const QStringList& preferred) {
    const std::optional<QString> stored = defaults.string(QStringLiteral("appLanguage"));
    if (stored && (*stored == QLatin1String("en") || *stored == QLatin1String("pl"))) {
        return *stored;
    }
    return systemLanguage(preferred);
}

QHash<QString, QString> L10n::table(const QString& language) {
    TableCache& cache = tableCache();
    std::lock_guard lock(cache.mutex);
    if (auto it = cache.tables.constFind(language); it != cache.tables.constEnd()) {
        return *it;
    }
    // The code becomes part of a path: anything but a plain language tag finds no table.
    Table table = isLanguageCode(language) ? readTable(tableFile(cache, language)) : Table{};
    ++cache.loads;
    cache.tables.insert(language, table);
    return table;
}

void L10n::setTableRoot(const QString& overrideRoot, bool embedded) {
    TableCache& cache = tableCache();
    std::lock_guard lock(cache.mutex);
    cache.overrideRoot = overrideRoot;
    cache.embedded = embedded;
    cache.tables.clear();
    cache.loads = 0;
}

void L10n::resetTables() {
    setTableRoot(QString(), true);
}

int L10n::tableLoads() {
    TableCache& cache = tableCache();
    std::lock_guard lock(cache.mutex);
    return cache.loads;
}

QString L10n::fill(const QString& text, const TrArgs& args) {
    if (args.isEmpty() || !text.contains(u'{')) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(u'{', pos);
        if (open < 0) {
            out += QStringView(text).mid(pos);
            break;
        }
        out += QStringView(text).mid(pos, open - pos);
        const qsizetype close = text.indexOf(u'}', open + 1);
        if (close >= 0) {
            const QString name = text.mid(open + 1, close - open - 1);
            if (auto it = args.constFind(name); it != args.constEnd()) {
                out += it->text();
                pos = close + 1;
                continue;
            }
        }
        out += u'{';
        pos = open + 1;
    }
    return out;
}

QString L10n::plural(qint64 count, const QString& one, const QString& other, TrArgs args) {
    args.insert(QStringLiteral("n"), TrArg(static_cast<long long>(count)));
    const QString& chosen = count == 1 ? one : other;
    if (!isPolish()) {
        return fill(chosen, args);
    }
    const Table polish = table(QStringLiteral("pl"));
    const QString formKey = other + u'#' + polishPluralCategory(count);
    if (auto it = polish.constFind(formKey); it != polish.constEnd()) {
        return fill(*it, args);
    }
    return fill(polish.value(chosen, chosen), args);
}

QString L10n::sidecarText(const QString& message) {
    if (!isPolish()) {
        return message;
    }
    if (auto phrase = polishPhrase(message)) {
        return *phrase;
    }
    const qsizetype colon = message.indexOf(u':');
    if (colon >= 0) {
        // Spaces and tabs only: a line break before the colon stays part of the phrase.
        QStringView head = QStringView(message).left(colon);
        while (!head.isEmpty() && (head.front() == u' ' || head.front() == u'\t')) {
            head = head.mid(1);
        }
        while (!head.isEmpty() && (head.back() == u' ' || head.back() == u'\t')) {
            head.chop(1);
        }
        if (auto phrase = polishPhrase(head.toString())) {
            return *phrase;
        }
    }
    return message;
}

const QList<L10n::SidecarPattern>& L10n::sidecarPatterns() {
    static const QList<SidecarPattern> patterns{
        {QStringLiteral(R"(^document too long to redact in time \(stopped in pass (\d+) at page (\d+) of (\d+)\)$)"),
         QStringLiteral("document too long to redact in time (stopped in pass {x} at page {y} of {z})")},
        {QStringLiteral(R"(^verification failed: PII survived \((.+?)\): (.+)$)"),
         QStringLiteral("verification failed: PII survived ({x}): {y}"), true},
        {QStringLiteral(R"(^text in an unknown element of (.+) is not supported yet$)"),
         QStringLiteral("text in an unknown element of {x} is not supported yet")},
        {QStringLiteral(R"(^text after an unknown element of (.+) is not supported yet$)"),
         QStringLiteral("text after an unknown element of {x} is not supported yet")},
        {QStringLiteral(R"(^text in (<[^>]*>) of (.+) is not supported yet$)"),
         QStringLiteral("text in {x} of {y} is not supported yet")},
        {QStringLiteral(R"(^text after (<[^>]*>) of (.+) is not supported yet$)"),
         QStringLiteral("text after {x} of {y} is not supported yet")},
        {QStringLiteral(R"(^text in (<[^>]*>) is not supported yet$)"),
         QStringLiteral("text in {x} is not supported yet")},
        {QStringLiteral(R"(^text after (<[^>]*>) is not supported yet$)"),
         QStringLiteral("text after {x} is not supported yet")},
        {QStringLiteral(R"(^an attribute of the comments' parts \((.+)\) is not supported yet$)"),
         QStringLiteral("an attribute of the comments' parts ({x}) is not supported yet")},
        {QStringLiteral(R"(^an attribute of the settings \((.+)\) is not supported yet$)"),
         QStringLiteral("an attribute of the settings ({x}) is not supported yet")},
        {QStringLiteral(R"(^part (.+) is not well-formed XML$)"), QStringLiteral("part {x} is not well-formed XML")},
        {QStringLiteral(R"(^personal data in an unsupported request \((.+)\)$)"),
         QStringLiteral("personal data in an unsupported request ({x})")},
        {QStringLiteral(R"(^unreadable request \((.+)\)$)"), QStringLiteral("unreadable request ({x})")},
        {QStringLiteral(R"(^fields: (.+)$)"), QStringLiteral("fields: {x}")},
        {QStringLiteral(R"(^no record for PUT id=(.+)$)"), QStringLiteral("no record for PUT id={x}")},
        {QStringLiteral(R"(^upload reservation expired for PUT id=(.+)$)"),
         QStringLiteral("upload reservation expired for PUT id={x}")},
        {QStringLiteral(R"(^no upload reservation for id=(.+)$)"), QStringLiteral("no upload reservation for id={x}")},
        {QStringLiteral(R"(^no redacted upload for reservation id=(.+)$)"),
         QStringLiteral("no redacted upload for reservation id={x}")},
    };
    return patterns;
}

QString L10n::categoryName(const QString& key, const QString& fallback) {
    if (!isPolish()) {
        return fallback;
    }
    return table(QStringLiteral("pl")).value(QLatin1String("category.") + key, fallback);
}

QString L10n::typeName(const QString& key, const QString& fallback) {
    if (!isPolish()) {
        return fallback;
    }
    return table(QStringLiteral("pl")).value(QLatin1String("type.") + key, fallback);
}

QString L10n::typeName(const QString& display) {
    if (!isPolish()) {
        return display;
    }
    const Table english = table(QStringLiteral("en"));
    const Table polish = table(QStringLiteral("pl"));
    // Two types with one display name would make the answer depend on hash order: take the
    // smallest key.
    std::optional<QString> found;
    for (auto it = english.constBegin(); it != english.constEnd(); ++it) {
        if (it.value() == display && it.key().startsWith(QLatin1String("type.")) && (!found || it.key() < *found)) {
            found = it.key();
        }
    }
    if (found) {
        if (auto it = polish.constFind(*found); it != polish.constEnd()) {
            return *it;
        }
    }
    return polish.value(display, display);
}

} // namespace fernholm
