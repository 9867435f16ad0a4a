#include "FernholmKit/presentation/BypassNotifier.h"

#include "FernholmKit/presentation/BrowserNotices.h"

namespace fernholm {

namespace {

QStringList distinctSorted(QSet<QString> identifiers) {
    QStringList out(identifiers.cbegin(), identifiers.cend());
    out.sort();
    return out;
}

} // namespace

BypassNotification bypassNotification(const BrowserFinding& finding) {
    const auto text =
        finding.kind == QLatin1String("unsupported_app") ? unsupportedAppText(finding) : bypassText(finding, false);
    return {bypassNotificationPrefix + finding.profileId.value_or(QString()), text.title, text.body};
}

QString BypassNotifier::key(const BrowserFinding& finding) {
    QStringList extensions;
    extensions.reserve(finding.extensions.size());
    for (const BrowserExtension& extension : finding.extensions) {
        extensions.append(extension.id + QChar(0x1E) + extension.mode.value_or(QString()));
    }
    extensions.sort();
    QStringList parts{finding.browser.value_or(QString()), finding.profileId.value_or(QString()),
                      finding.setBy.value_or(QString()), finding.mode.value_or(QString())};
    parts += extensions;
    return parts.join(QChar(0x1F));
}

BypassNotificationChange BypassNotifier::ingest(const std::optional<QList<BrowserFinding>>& findings) {
    if (!findings) {
        return {{}, forgetAll()};
    }
    QHash<QString, QString> next;
    BypassNotificationChange change;
    for (const BrowserFinding& finding : *findings) {
        if (!notifyingFindingKinds.contains(finding.kind)) {
            continue;
        }
        const QString k = key(finding);
        if (next.contains(k)) {
            continue;
        }
        BypassNotification notification = bypassNotification(finding);
        next.insert(k, notification.identifier);
        if (!m_known.contains(k)) {
            change.show.append(std::move(notification));
        }
    }
    QSet<QString> vanished;
    for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
        if (!next.contains(it.key())) {
            vanished.insert(it.value());
        }
    }
    for (const QString& identifier : std::as_const(next)) {
        vanished.remove(identifier);
    }
    change.remove = distinctSorted(vanished);
    m_known = std::move(next);
    return change;
}

QStringList BypassNotifier::forgetAll() {
    QSet<QString> identifiers(m_known.cbegin(), m_known.cend());
    m_known.clear();
    return distinctSorted(identifiers);
}

} // namespace fernholm
