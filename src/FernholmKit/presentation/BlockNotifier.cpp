#include "FernholmKit/presentation/BlockNotifier.h"

#include "FernholmKit/text/Graphemes.h"
#include "FernholmKit/text/L10n.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace fernholm {

namespace {

const QString documentBlocked = QStringLiteral("document_blocked");

bool isBlocked(const Event& event) {
    return event.status == QLatin1String("blocked") || event.status == documentBlocked;
}

// Reasons about the gateway's own record keeping mean nothing to the user.
bool isBookkeeping(const QString& reason) {
    return reason.contains(QLatin1String("id=")) || reason.contains(QLatin1String("upload_id")) ||
           reason.toLower().startsWith(QLatin1String("unrecognized upload request"));
}

QString reasonSentence(const std::optional<QString>& reason) {
    const QString generic = tr("It could not be sent safely.");
    if (!reason) {
        return generic;
    }
    const QString trimmed = reason->trimmed();
    if (trimmed.isEmpty() || isBookkeeping(trimmed)) {
        return generic;
    }
    QString sentence = graphemes::capitalizedFirst(L10n::sidecarText(trimmed));
    const QString last = graphemes::last(sentence, 1);
    if (last != QLatin1String(".") && last != QLatin1String("!") && last != QLatin1String("?")) {
        sentence += u'.';
    }
    return sentence;
}

BlockNotice summaryNotice(const QList<Event>& queued) {
    const auto n = queued.size();
    const auto uploads =
        std::count_if(queued.cbegin(), queued.cend(), [](const Event& e) { return e.status == documentBlocked; });
    // The same key for both English forms: the Polish table supplies its own plural forms.
    QString title;
    if (uploads == n) {
        title = L10n::plural(n, "{n} uploads blocked", "{n} uploads blocked");
    } else if (uploads == 0) {
        title = L10n::plural(n, "{n} requests blocked", "{n} requests blocked");
    } else {
        title = L10n::plural(n, "{n} items blocked", "{n} items blocked");
    }
    QStringList destinations;
    for (const Event& event : queued) {
        const QString destination = noticeDestination(event.surface);
        if (!destinations.contains(destination)) {
            destinations.append(destination);
        }
    }
    const QString list = graphemes::capitalizedFirst(destinations.join(QLatin1String(", ")));
    return {title, tr("{list}. See Activity for details.", {{QStringLiteral("list"), list}})};
}

} // namespace

NotificationTarget notificationTarget(const QString& identifier) {
    return identifier.startsWith(bypassNotificationPrefix) ? NotificationTarget::home : NotificationTarget::activity;
}

QString noticeDestination(const QString& surface) {
    static const QHash<QString, QString> names{
        {QStringLiteral("claude_web"), QStringLiteral("Claude")},
        {QStringLiteral("anthropic"), QStringLiteral("Claude")},
        {QStringLiteral("chatgpt_web"), QStringLiteral("ChatGPT")},
        {QStringLiteral("openai"), QStringLiteral("ChatGPT")},
        {QStringLiteral("gemini_web"), QStringLiteral("Gemini")},
        {QStringLiteral("gemini_api"), QStringLiteral("Gemini")},
        {QStringLiteral("spellbook_web"), QStringLiteral("Spellbook")},
        {QStringLiteral("deepseek"), QStringLiteral("DeepSeek")},
        {QStringLiteral("groq"), QStringLiteral("Groq")},
        {QStringLiteral("mistral"), QStringLiteral("Mistral")},
        {QStringLiteral("openrouter"), QStringLiteral("OpenRouter")},
    };
    if (auto it = names.constFind(surface); it != names.constEnd()) {
        return *it;
    }
    return tr("an AI service");
}

BlockNotice blockNotice(const Event& event) {
    const TrArgs dest{{QStringLiteral("dest"), noticeDestination(event.surface)}};
    QString title;
    if (event.status == documentBlocked && event.route == QStringLiteral("preview")) {
        title = tr("File preview on {dest} blocked", dest);
    } else if (event.status == documentBlocked) {
        title = tr("Upload to {dest} blocked", dest);
    } else {
        title = tr("Request to {dest} blocked", dest);
    }
    return {title, tr("{reason} It was not sent.", {{QStringLiteral("reason"), reasonSentence(event.reason)}})};
}

BlockNotifier::BlockNotifier(double cooldown, double repeatWindow)
    : m_cooldown(cooldown), m_repeatWindow(repeatWindow) {}

QString BlockNotifier::key(const Event& event) {
    const QChar unit(0x1F);
    QString key = event.surface + unit + event.status + unit;
    if (event.fingerprint && !event.fingerprint->isEmpty()) {
        key += QLatin1Char('#') + *event.fingerprint;
    } else {
        key += event.reason.value_or(QString());
    }
    return key;
}

std::optional<BlockNotice> BlockNotifier::ingest(const QList<Event>& events, double now) {
    if (!m_primed) {
        m_primed = true;
        return std::nullopt;
    }
    QSet<QString> queuedKeys;
    for (const Event& queued : std::as_const(m_queued)) {
        queuedKeys.insert(key(queued));
    }
    for (const Event& event : events) {
        if (!isBlocked(event)) {
            continue;
        }
        const QString k = key(event);
        const std::optional<double> seen =
            m_lastSeen.contains(k) ? std::optional<double>(m_lastSeen.value(k)) : std::nullopt;
        // Refreshed even when silent, so a request that keeps repeating stays silent.
        m_lastSeen.insert(k, now);
        if (seen && now - *seen < m_repeatWindow) {
            continue;
        }
        if (!queuedKeys.contains(k)) {
            queuedKeys.insert(k);
            m_queued.append(event);
        }
    }
    m_lastSeen.removeIf(
        [&](const QHash<QString, double>::iterator it) { return !(now - it.value() < m_repeatWindow); });

    const bool cooledDown = !m_lastShown || now - *m_lastShown >= m_cooldown;
    if (m_queued.isEmpty() || !cooledDown) {
        return std::nullopt;
    }
    const BlockNotice notice = m_queued.size() == 1 ? blockNotice(m_queued.first()) : summaryNotice(m_queued);
    m_queued.clear();
    m_lastShown = now;
    return notice;
}

} // namespace fernholm
