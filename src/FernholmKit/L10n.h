#pragma once

#include "GatewayError.h"

#include <QHash>
#include <QLocale>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

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
    TrArg(const GatewayError& error) : m_text(error.rendered()) {}

    const QString& text() const { return m_text; }

private:
    QString m_text;
};

using TrArgs = QMap<QString, TrArg>;

// The text in the current language, its placeholders filled. The English text is its own key.
// Inside a Q_OBJECT class call it as fernholm::tr: the macro declares a static tr of its own.
QString tr(const QString& text, const TrArgs& args = {});

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

    // The strings table of a language, loaded at most once per run.
    static QHash<QString, QString> table(const QString& language);

    static QString tr(const QString& text, const TrArgs& args = {}) { return fernholm::tr(text, args); }
    static QString fill(const QString& text, const TrArgs& args);
    // `one` when count is 1, else `other`; Polish picks its one/few/many form. "n" = count.
    static QString plural(qint64 count, const QString& one, const QString& other, TrArgs args = {});

    // A message that came from the gateway, in the current language.
    static QString sidecarText(const QString& message);

    // Display names of redaction categories and types ("category.<key>", "type.<key>").
    static QString categoryName(const QString& key, const QString& fallback);
    static QString typeName(const QString& key, const QString& fallback);
    static QString typeName(const QString& display);
};

} // namespace fernholm
