#pragma once

#include "FernholmKit/control/RedactionModels.h"

#include <QObject>
#include <QString>

namespace fernholm {

class AppModel;
struct RedactionDraftAccess;

// The redaction rules as the user edits them, beside the copy last loaded from or saved to the
// gateway. Part of AppModel, which makes it and writes the gateway's copies into it; the pages
// read both copies, re-read on changed() and edit through the methods below, one change per edit
// (the rules of each edit are in FernholmKit/control/RedactionEdits.h). Nothing here reaches the
// gateway: AppModel::saveRedaction() does.
//
//     connect(&draft, &RedactionDraft::changed, bar, [&] { bar->setShown(draft.hasChanges()); });
//     draft.addAllowEntry(field->text());
class RedactionDraft : public QObject {
    Q_OBJECT
public:
    explicit RedactionDraft(QObject* parent = nullptr);

    // The working copy; the empty page before the first load.
    const RedactionPage& edited() const { return m_edited; }
    // The rules as last loaded or saved.
    const RedactionPage& saved() const { return m_saved; }
    // Any field of the two copies differs.
    bool hasChanges() const { return !(m_edited == m_saved); }

    // --- Edits of the working copy: an edit that changes nothing signals nothing ---

    // Each returns whether the entry was added (false when it trims to nothing).
    bool addAllowEntry(const QString& value);
    bool addBlockEntry(const QString& keyword, const QString& label);
    void removeAllowEntry(qsizetype index);
    void removeBlockEntry(qsizetype index);
    void setBoxStyle(const QString& boxStyle);
    void setCodes(const QString& codes);
    // The category is named by where the page showed it and by its key, so that a click on a card
    // the rules have since moved away from does nothing.
    void switchType(qsizetype categoryIndex, const QString& categoryKey, const QString& typeKey, bool on);
    void switchCategory(qsizetype categoryIndex, const QString& categoryKey, bool on);
    // The working copy goes back to the saved one.
    void discard();

Q_SIGNALS:
    void changed(); // the edited or the saved copy, or both at once

private:
    // Only the model writes whole copies: what the gateway sent, or what tests set up.
    friend class AppModel;
    friend struct RedactionDraftAccess;

    // `fresh`, as the gateway holds the rules now, becomes the saved copy; the edited copy becomes
    // it too, with the edits that turned `base` into the edited copy carried over (rebaseEdits).
    // One change signal for both.
    void rebase(const RedactionPage& base, const RedactionPage& fresh);
    void setEdited(const RedactionPage& page);
    void setSaved(const RedactionPage& page);

    RedactionPage m_edited;
    RedactionPage m_saved;
};

} // namespace fernholm
