#include "FernholmKit/control/RedactionEdits.h"

#include <QHash>

#include <algorithm>

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

// The page still holds the category the caller saw at `index`.
bool holdsCategory(const RedactionPage& page, qsizetype index, const QString& key) {
    return index >= 0 && index < page.categories.size() && page.categories.at(index).key == key;
}

} // namespace

bool canAddAllowEntry(const QString& value) {
    return !value.trimmed().isEmpty();
}

bool canAddBlockEntry(const QString& keyword, const QString& label) {
    return !keyword.trimmed().isEmpty() && !label.trimmed().isEmpty();
}

RedactionPage addAllowEntry(const RedactionPage& page, const QString& value) {
    if (!canAddAllowEntry(value)) {
        return page;
    }
    RedactionPage edited = page;
    edited.allowlist.append(value.trimmed());
    return edited;
}

RedactionPage removeAllowEntry(const RedactionPage& page, qsizetype index) {
    if (index < 0 || index >= page.allowlist.size()) {
        return page;
    }
    RedactionPage edited = page;
    edited.allowlist.removeAt(index);
    return edited;
}

RedactionPage addBlockEntry(const RedactionPage& page, const QString& keyword, const QString& label) {
    if (!canAddBlockEntry(keyword, label)) {
        return page;
    }
    RedactionPage edited = page;
    edited.blocklist.append(BlocklistEntry{keyword.trimmed(), label.trimmed()});
    return edited;
}

RedactionPage removeBlockEntry(const RedactionPage& page, qsizetype index) {
    if (index < 0 || index >= page.blocklist.size()) {
        return page;
    }
    RedactionPage edited = page;
    edited.blocklist.removeAt(index);
    return edited;
}

RedactionPage setBoxStyle(const RedactionPage& page, const QString& boxStyle) {
    RedactionPage edited = page;
    edited.document.boxStyle = boxStyle;
    return edited;
}

RedactionPage setCodes(const RedactionPage& page, const QString& codes) {
    RedactionPage edited = page;
    edited.document.codes = codes;
    return edited;
}

RedactionPage switchType(const RedactionPage& page, qsizetype categoryIndex, const QString& categoryKey,
                         const QString& typeKey, bool on) {
    if (!holdsCategory(page, categoryIndex, categoryKey)) {
        return page;
    }
    const QList<RedactionType>& types = page.categories.at(categoryIndex).types;
    const auto found =
        std::find_if(types.cbegin(), types.cend(), [&](const RedactionType& type) { return type.key == typeKey; });
    if (found == types.cend() || found->locked || found->enabled == on) {
        return page;
    }
    RedactionPage edited = page;
    edited.categories[categoryIndex].types[found - types.cbegin()].enabled = on;
    return edited;
}

RedactionPage switchCategory(const RedactionPage& page, qsizetype categoryIndex, const QString& categoryKey, bool on) {
    if (!holdsCategory(page, categoryIndex, categoryKey)) {
        return page;
    }
    QList<RedactionType> unlocked = unlockedTypes(page.categories.at(categoryIndex));
    for (RedactionType& type : unlocked) {
        type.enabled = on;
    }
    RedactionPage edited = page;
    edited.categories[categoryIndex] = withUnlockedTypes(page.categories.at(categoryIndex), unlocked);
    return edited;
}

QList<RedactionType> unlockedTypes(const RedactionCategory& category) {
    QList<RedactionType> unlocked;
    for (const RedactionType& type : category.types) {
        if (!type.locked) {
            unlocked.append(type);
        }
    }
    return unlocked;
}

RedactionCategory withUnlockedTypes(RedactionCategory category, const QList<RedactionType>& types) {
    for (const RedactionType& wanted : types) {
        for (RedactionType& type : category.types) {
            if (type.key == wanted.key) {
                if (!type.locked) {
                    type.enabled = wanted.enabled;
                }
                break;
            }
        }
    }
    return category;
}

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
