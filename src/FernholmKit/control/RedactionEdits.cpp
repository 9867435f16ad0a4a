#include "FernholmKit/control/RedactionEdits.h"

#include <QHash>

namespace fernholm {

namespace {

QHash<QString, bool> switches(const RedactionPage& page) {
    QHash<QString, bool> on;
    for (const RedactionCategory& category : page.categories) {
        for (const RedactionType& type : category.types) {
            on.insert(type.key, type.enabled);
        }
    }
    return on;
}

// `fresh` with what the user added to `base` to make `edited`, less what the user removed.
template <typename T> QList<T> rebaseList(const QList<T>& base, const QList<T>& edited, const QList<T>& fresh) {
    QList<T> result;
    for (const T& item : fresh) {
        if (!base.contains(item) || edited.contains(item)) {
            result.append(item);
        }
    }
    for (const T& item : edited) {
        if (!base.contains(item) && !result.contains(item)) {
            result.append(item);
        }
    }
    return result;
}

QStringList rebaseList(const QStringList& base, const QStringList& edited, const QStringList& fresh) {
    return QStringList(rebaseList<QString>(base, edited, fresh));
}

} // namespace

RedactionPage rebaseEdits(const RedactionPage& base, const RedactionPage& edited, const RedactionPage& fresh) {
    if (edited == base) {
        return fresh;
    }
    RedactionPage result = fresh;
    const QHash<QString, bool> was = switches(base);
    const QHash<QString, bool> now = switches(edited);
    for (RedactionCategory& category : result.categories) {
        for (RedactionType& type : category.types) {
            const auto before = was.constFind(type.key);
            const auto after = now.constFind(type.key);
            if (type.locked || before == was.constEnd() || after == now.constEnd() || *before == *after) {
                continue;
            }
            type.enabled = *after;
        }
    }
    result.allowlist = rebaseList(base.allowlist, edited.allowlist, fresh.allowlist);
    result.blocklist = rebaseList(base.blocklist, edited.blocklist, fresh.blocklist);
    if (edited.document.boxStyle != base.document.boxStyle) {
        result.document.boxStyle = edited.document.boxStyle;
    }
    if (edited.document.codes != base.document.codes) {
        result.document.codes = edited.document.codes;
    }
    return result;
}

} // namespace fernholm
