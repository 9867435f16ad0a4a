#pragma once

// The problem-report form without its view: the categories, the sentences for the gateway's
// refusals, the attachment list and the state of one open form.

#include "FernholmKit/control/CancelToken.h"
#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/IssueModels.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

namespace fernholm {

// The category keys in the order the form offers them.
extern const QStringList issueCategories;

// The translated name of a category; "Other" for every key but the first three.
QString issueCategoryName(const QString& key);

// The translated sentence for the error code of a refused report, matched exactly; a missing or
// unknown code gives the general one.
QString issueErrorMessage(const std::optional<QString>& code);

// One attachment as the user sees it, keyed like its switch in IssueInclude.
struct IssueAttachmentItem {
    QString key;
    QString title;  // translated
    QString detail; // exactly what goes out, lines joined by "\n"
    bool collapsible = false;

    bool operator==(const IssueAttachmentItem&) const = default;
};

// One item per attachment the draft holds, in the order of IssueInclude::keys.
QList<IssueAttachmentItem> issueAttachmentItems(const IssueDraft& draft);

// The state of one open report form: the user's category, text and attachment switches, the
// gateway's draft, a debounced preview of the text as it will be sent, and the progress of
// sending. Every observable field has its own change signal, emitted only on a real change;
// canSendChanged follows the derived canSend().
//
// Made only through create(): the form is shared. Whoever shows it holds one reference, and
// every pending draft fetch, preview or send holds another, so a form closed while one is under
// way takes its result and goes when the last of them ends. GUI thread only.
class IssueFormModel final : public QObject, public std::enable_shared_from_this<IssueFormModel> {
    Q_OBJECT
public:
    enum class Phase { editing, sending, sent };
    Q_ENUM(Phase)

    // The pause after the last edit before the text is previewed, as the main window uses it.
    static constexpr std::chrono::milliseconds standardDebounce{400};

    // Starts nothing: the view calls load() when it first shows the form.
    static std::shared_ptr<IssueFormModel> create(GatewayClient client, std::optional<QString> row, QString category,
                                                  std::chrono::milliseconds debounce = standardDebounce);

    const QString& category() const { return m_category; }
    void setCategory(const QString& category);

    const QString& description() const { return m_description; }
    // A text that differs from the current one schedules a new preview: a blank one (nothing
    // but white space and line breaks) clears the preview at once and asks nothing.
    void setDescription(const QString& description);

    const IssueInclude& include() const { return m_include; }
    bool isIncluded(const QString& key) const { return m_include[key]; }
    void setIncluded(const QString& key, bool on);

    const std::optional<IssueDraft>& draft() const { return m_draft; }
    const std::optional<QString>& draftError() const { return m_draftError; }
    const std::optional<QString>& preview() const { return m_preview; }
    const std::optional<QString>& previewError() const { return m_previewError; }
    bool previewing() const { return m_previewing; }
    Phase phase() const { return m_phase; }
    const std::optional<QString>& sendError() const { return m_sendError; }
    // The activity row the report is about, as the form was opened.
    const std::optional<QString>& row() const { return m_row; }

    // The draft's attachments; none before the draft has arrived.
    QList<IssueAttachmentItem> items() const;
    // A draft is here, nothing is being or has been sent, and the text is not blank. The
    // preview's state does not count.
    bool canSend() const;

    // Fetches the draft once. A failure leaves a message in draftError and is not retried; a
    // fetch cancelled through the token changes nothing.
    QCoro::Task<> load(CancelToken cancel = {});
    // Sends the report when canSend() holds, else does nothing. The phase is `sending` before
    // this first suspends, so a second call meanwhile does nothing.
    QCoro::Task<> send();

Q_SIGNALS:
    void categoryChanged();
    void descriptionChanged();
    void includeChanged();
    void draftChanged();
    void draftErrorChanged();
    void previewChanged();
    void previewErrorChanged();
    void previewingChanged();
    void phaseChanged();
    void sendErrorChanged();
    void canSendChanged();

private:
    IssueFormModel(GatewayClient client, std::optional<QString> row, QString category,
                   std::chrono::milliseconds debounce);

    void schedulePreview();
    QCoro::Task<> runPreview(qint64 generation, QString description, CancelToken cancel);

    // Sets a field and emits its signal when it changed, then canSendChanged when that changed.
    template <typename T, typename Signal> void update(T& field, T value, Signal signal);

    GatewayClient m_client;
    std::optional<QString> m_row;
    std::chrono::milliseconds m_debounce;

    QString m_category;
    QString m_description;
    IssueInclude m_include;
    std::optional<IssueDraft> m_draft;
    std::optional<QString> m_draftError;
    std::optional<QString> m_preview;
    std::optional<QString> m_previewError;
    bool m_previewing = false;
    Phase m_phase = Phase::editing;
    std::optional<QString> m_sendError;

    // Every schedulePreview() counts one up; a preview lands only while its number is current.
    qint64 m_previewGeneration = 0;
    // Aborts the waiting or asking preview of the current generation.
    CancelToken m_previewCancel;
};

} // namespace fernholm
