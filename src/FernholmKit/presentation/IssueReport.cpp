#include "FernholmKit/presentation/IssueReport.h"

#include "FernholmKit/text/L10n.h"

namespace fernholm {

const QStringList issueCategories{QStringLiteral("wrongly_blocked"), QStringLiteral("leaked"),
                                  QStringLiteral("app_bug"), QStringLiteral("other")};

QString issueCategoryName(const QString& key) {
    if (key == QLatin1String("wrongly_blocked")) {
        return fernholm::tr("Wrongly blocked");
    }
    if (key == QLatin1String("leaked")) {
        return fernholm::tr("Something leaked");
    }
    if (key == QLatin1String("app_bug")) {
        return fernholm::tr("App bug");
    }
    return fernholm::tr("Other");
}

QString issueErrorMessage(const std::optional<QString>& code) {
    const QString known = code.value_or(QString());
    if (known == QLatin1String("bad_request")) {
        return fernholm::tr("The report is incomplete. Check the description and try again.");
    }
    if (known == QLatin1String("too_large")) {
        return fernholm::tr("The report is too large. Untick the recent events and try again.");
    }
    if (known == QLatin1String("too_many_requests")) {
        return fernholm::tr("Too many reports in a short time. Try again later.");
    }
    if (known == QLatin1String("check_failed")) {
        return fernholm::tr("The description could not be checked for personal data, so nothing was sent.");
    }
    if (known == QLatin1String("unavailable")) {
        return fernholm::tr("Tarvine could not be reached. Nothing was sent; try again later.");
    }
    return fernholm::tr("Something went wrong. Nothing was sent.");
}

namespace {

// A site list longer than this folds away.
constexpr qsizetype plainSiteLimit = 4;

QString rowDetail(const IssueRow& row) {
    QStringList lines;
    const auto add = [&lines](const char* name, const std::optional<QString>& value) {
        if (value) {
            lines.append(QLatin1String(name) + QLatin1String(": ") + *value);
        }
    };
    add("reason", row.reason);
    add("surface", row.surface);
    add("method", row.method);
    add("route", row.route);
    add("ts", row.ts);
    return lines.join(u'\n');
}

} // namespace

QList<IssueAttachmentItem> issueAttachmentItems(const IssueDraft& draft) {
    QList<IssueAttachmentItem> items;
    if (draft.appVersion) {
        items.append({QStringLiteral("app_version"), fernholm::tr("App version"), *draft.appVersion, false});
    }
    const IssueAttachments& attachments = draft.attachments;
    if (attachments.os) {
        items.append({QStringLiteral("os"), fernholm::tr("Operating system"), *attachments.os, false});
    }
    if (attachments.sites) {
        // QMap keeps its keys in the order of their UTF-16 code units.
        QStringList lines;
        for (auto it = attachments.sites->cbegin(); it != attachments.sites->cend(); ++it) {
            lines.append(it.key() + QLatin1String(": ") + (it.value() ? fernholm::tr("on") : fernholm::tr("off")));
        }
        items.append({QStringLiteral("sites"), fernholm::tr("Enabled sites"), lines.join(u'\n'),
                      attachments.sites->size() > plainSiteLimit});
    }
    if (attachments.protection) {
        items.append({QStringLiteral("protection"), fernholm::tr("Protection state"), *attachments.protection, false});
    }
    if (attachments.row) {
        items.append({QStringLiteral("row"), fernholm::tr("The blocked request"), rowDetail(*attachments.row), false});
    }
    if (draft.events) {
        items.append({QStringLiteral("events"),
                      fernholm::tr("Recent events ({n}, tokens only)", {{QStringLiteral("n"), draft.events->size()}}),
                      draft.events->join(u'\n'), true});
    }
    return items;
}

// --- The form ---

std::shared_ptr<IssueFormModel> IssueFormModel::create(GatewayClient client, std::optional<QString> row,
                                                       QString category, std::chrono::milliseconds debounce) {
    return std::shared_ptr<IssueFormModel>(
        new IssueFormModel(std::move(client), std::move(row), std::move(category), debounce));
}

IssueFormModel::IssueFormModel(GatewayClient client, std::optional<QString> row, QString category,
                               std::chrono::milliseconds debounce)
    : m_client(std::move(client)), m_row(std::move(row)), m_debounce(debounce), m_category(std::move(category)) {}

template <typename T, typename Signal> void IssueFormModel::update(T& field, T value, Signal signal) {
    if (field == value) {
        return;
    }
    const bool couldSend = canSend();
    field = std::move(value);
    Q_EMIT(this->*signal)();
    if (canSend() != couldSend) {
        Q_EMIT canSendChanged();
    }
}

void IssueFormModel::setCategory(const QString& category) {
    update(m_category, category, &IssueFormModel::categoryChanged);
}

void IssueFormModel::setDescription(const QString& description) {
    if (description == m_description) {
        return;
    }
    update(m_description, description, &IssueFormModel::descriptionChanged);
    schedulePreview();
}

void IssueFormModel::setIncluded(const QString& key, bool on) {
    IssueInclude include = m_include;
    include.set(key, on);
    update(m_include, std::move(include), &IssueFormModel::includeChanged);
}

QList<IssueAttachmentItem> IssueFormModel::items() const {
    return m_draft ? issueAttachmentItems(*m_draft) : QList<IssueAttachmentItem>();
}

bool IssueFormModel::canSend() const {
    return m_draft && m_phase == Phase::editing && !m_description.trimmed().isEmpty();
}

QCoro::Task<> IssueFormModel::load(CancelToken cancel) {
    const std::shared_ptr<IssueFormModel> self = shared_from_this();
    const GatewayClient client = m_client;
    Result<IssueDraft> draft = co_await client.issueDraft(m_row, cancel);
    if (cancel.isCancelled()) {
        co_return;
    }
    if (draft) {
        update(m_draft, std::optional<IssueDraft>(std::move(draft).value()), &IssueFormModel::draftChanged);
        update(m_draftError, std::optional<QString>(), &IssueFormModel::draftErrorChanged);
    } else {
        update(m_draftError,
               std::optional<QString>(
                   fernholm::tr("Could not reach the gateway: {error}", {{QStringLiteral("error"), draft.error()}})),
               &IssueFormModel::draftErrorChanged);
    }
}

void IssueFormModel::schedulePreview() {
    // The count goes up before the abort, so the aborted task finds itself outdated whenever it resumes.
    const qint64 generation = ++m_previewGeneration;
    m_previewCancel.cancel();
    m_previewCancel = CancelToken();

    if (m_description.trimmed().isEmpty()) {
        update(m_previewing, false, &IssueFormModel::previewingChanged);
        update(m_preview, std::optional<QString>(), &IssueFormModel::previewChanged);
        update(m_previewError, std::optional<QString>(), &IssueFormModel::previewErrorChanged);
        return;
    }
    // The last preview or its error stays until the new one arrives.
    update(m_previewing, true, &IssueFormModel::previewingChanged);
    m_previewCancel = CancelToken::create();
    runPreview(generation, m_description, m_previewCancel);
}

QCoro::Task<> IssueFormModel::runPreview(qint64 generation, QString description, CancelToken cancel) {
    const std::shared_ptr<IssueFormModel> self = shared_from_this();
    if (!co_await sleepUnlessCancelled(m_debounce, cancel)) {
        co_return;
    }
    const GatewayClient client = m_client;
    Result<IssuePreview> preview = co_await client.issuePreview(description, cancel);
    if (cancel.isCancelled() || generation != m_previewGeneration) {
        co_return;
    }
    if (preview) {
        update(m_preview, std::optional<QString>(std::move(preview).value().description),
               &IssueFormModel::previewChanged);
        update(m_previewError, std::optional<QString>(), &IssueFormModel::previewErrorChanged);
    } else {
        update(m_preview, std::optional<QString>(), &IssueFormModel::previewChanged);
        update(m_previewError,
               std::optional<QString>(
                   fernholm::tr("The description could not be checked for personal data, so nothing would be sent.")),
               &IssueFormModel::previewErrorChanged);
    }
    update(m_previewing, false, &IssueFormModel::previewingChanged);
}

QCoro::Task<> IssueFormModel::send() {
    if (!canSend()) {
        co_return;
    }
    const std::shared_ptr<IssueFormModel> self = shared_from_this();
    update(m_phase, Phase::sending, &IssueFormModel::phaseChanged);
    update(m_sendError, std::optional<QString>(), &IssueFormModel::sendErrorChanged);

    // The description goes as typed, the switches whole, the form's own row and the draft's
    // event cursor unchanged.
    const GatewayClient client = m_client;
    const Result<IssueResult> result =
        co_await client.reportIssue(m_category, m_description, m_include, m_row, m_draft->eventsUntil);
    if (result && result.value().ok) {
        update(m_phase, Phase::sent, &IssueFormModel::phaseChanged);
        co_return;
    }
    update(m_phase, Phase::editing, &IssueFormModel::phaseChanged);
    // A failed call of any kind reads like the gateway's own "unavailable".
    const std::optional<QString> code =
        result ? result.value().error : std::optional<QString>(QStringLiteral("unavailable"));
    update(m_sendError, std::optional<QString>(issueErrorMessage(code)), &IssueFormModel::sendErrorChanged);
}

} // namespace fernholm
