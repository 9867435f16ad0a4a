#pragma once

#include "FernholmKit/control/GatewayError.h"

#include <QHash>
#include <QList>
#include <QLocale>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

class Defaults;

// One value put into a "{name}" placeholder, rendered the same in every language: text as it
// is, integers in decimal, a GatewayError as its plain rendering (http(404), unverified, …).
// A platform error goes in as its description text.
class TrArg {
public:
    TrArg() = default;
    TrArg(const QString& text) : m_text(text) {}
    TrArg(const char* text) : m_text(QString::fromUtf8(text)) {}
    TrArg(int number) : m_text(QString::number(number)) {}
    TrArg(long number) : m_text(QString::number(number)) {}
    TrArg(long long number) : m_text(QString::number(number)) {}
    TrArg(unsigned number) : m_text(QString::number(number)) {}
    TrArg(unsigned long number) : m_text(QString::number(number)) {}
    TrArg(unsigned long long number) : m_text(QString::number(number)) {}
    TrArg(const GatewayError& error) : m_text(error.rendered()) {}

    const QString& text() const { return m_text; }

private:
    QString m_text;
};

using TrArgs = QMap<QString, TrArg>;

// The text in the current language, its placeholders filled. The English text is its own key.
// Inside a Q_OBJECT class call it as fernholm::tr: the macro declares a static tr of its own.
QString tr(const QString& text, const TrArgs& args = {});

// The text as tr gives it, for one place of several that share the English text but need
// their own wording in another language (a pill, a filter, a sentence). The Polish table keys
// such a text as "<text>@<context>"; without that entry the text is translated as by tr.
QString trIn(const char* context, const QString& text, const TrArgs& args = {});

// How the last two parts of a list are joined: parts of one kind ("A, B and C") or clauses
// ("X, Y, and Z"; Polish "X, Y oraz Z"). Parts are inserted as they are.
enum class ListJoin { items, clauses };
QString joinList(const QStringList& parts, ListJoin join = ListJoin::items);

// Marks a text that is handed on in English and translated where it is shown, with
// L10n::translated. The translation-completeness test collects it like a tr key.
inline QString trNoop(const char* text) {
    return QString::fromUtf8(text);
}

// Languages, tables and the translation of the gateway's own (English) messages.
class L10n {
public:
    // "en" or "pl"; "en" until set.
    static QString language();
    static void setLanguage(const QString& language);
    static bool isPolish();
    // pl_PL when Polish, nothing otherwise.
    static std::optional<QLocale> locale();

    // The language for an ordered list of preferred language tags: only the first counts.
    static QString systemLanguage(const QStringList& preferred);
    // The language to start in: the stored "appLanguage" when it is exactly "en" or "pl", else
    // the system's preferred languages (QLocale::system().uiLanguages()) decide.
    static QString startLanguage(const Defaults& defaults, const QStringList& preferred);

    // The strings table of a language, loaded at most once per run.
    static QHash<QString, QString> table(const QString& language);

    static QString tr(const QString& text, const TrArgs& args = {}) { return fernholm::tr(text, args); }
    // A text marked with trNoop, in the current language.
    static QString translated(const QString& marked) { return fernholm::tr(marked); }
    static QString fill(const QString& text, const TrArgs& args);
    // `one` when count is 1, else `other`; Polish picks its one/few/many form. "n" = count.
    static QString plural(qint64 count, const QString& one, const QString& other, TrArgs args = {});

    // A message that came from the gateway, in the current language.
    static QString sidecarText(const QString& message);

    // A gateway message pattern (ICU syntax, anchored at both ends) and the English template,
    // a key of the Polish table, that its captures 1 to 3 fill as {x}, {y} and {z}.
    struct SidecarPattern {
        QString pattern;
        QString templateText;
        // {x} holds redaction type keys ("PERSON, EMAIL_ADDRESS"): shown as their display names.
        bool typeKeysInX = false;
        bool operator==(const SidecarPattern&) const = default;
    };
    // In the order in which they are tried.
    static const QList<SidecarPattern>& sidecarPatterns();

    // Display names of redaction categories and types ("category.<key>", "type.<key>").
    static QString categoryName(const QString& key, const QString& fallback);
    static QString typeName(const QString& key, const QString& fallback);
    static QString typeName(const QString& display);

    // Where tables come from. Each language's table is the first existing
    // "<root>/<lang>.lproj/Localizable.strings": the override root when one is set, then the
    // tables built into this library (left out when `embedded` is false). Setting it empties the
    // cache and the load count; tests point it at fixture tables.
    static void setTableRoot(const QString& overrideRoot, bool embedded = true);
    // Back to the built-in tables alone, with an empty cache.
    static void resetTables();
    // How often a table has been searched for and read since the cache was last emptied.
    static int tableLoads();
};

} // namespace fernholm
