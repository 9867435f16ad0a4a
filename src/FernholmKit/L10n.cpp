#include "L10n.h"

#include <atomic>
#include <mutex>

namespace fernholm {

namespace {

// Written by the language switch on the GUI thread, read from anywhere.
std::atomic<bool> g_polish{false};

} // namespace

QString tr(const QString& text, const TrArgs& args) {
    if (L10n::isPolish()) {
        const QHash<QString, QString> polish = L10n::table(QStringLiteral("pl"));
        if (auto it = polish.constFind(text); it != polish.constEnd()) {
            return L10n::fill(*it, args);
        }
    }
    return L10n::fill(text, args);
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
    if (first == QLatin1String("pl") || first.startsWith(QLatin1String("pl-")) || first.startsWith(QLatin1String("pl_"))) {
        return QStringLiteral("pl");
    }
    return QStringLiteral("en");
}

QHash<QString, QString> L10n::table(const QString& language) {
    Q_UNUSED(language);
    return {};
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
    return fill(chosen, args);
}

QString L10n::sidecarText(const QString& message) {
    return message;
}

QString L10n::categoryName(const QString& key, const QString& fallback) {
    Q_UNUSED(key);
    return fallback;
}

QString L10n::typeName(const QString& key, const QString& fallback) {
    Q_UNUSED(key);
    return fallback;
}

QString L10n::typeName(const QString& display) {
    return display;
}

} // namespace fernholm
