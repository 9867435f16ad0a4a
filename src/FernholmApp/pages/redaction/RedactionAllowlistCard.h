#pragma once

#include "FernholmApp/components/layout/Surface.h"

#include <QList>
#include <QStringList>

namespace fernholm {

class EntryField;
class FlowLayout;
class OrgLine;
class PrimaryButton;
class RedactionDraft;
class RemoveButton;
class TextLabel;

// One value of the allowlist: the value on one line and its remove cross on a Theme::tile capsule
// 30 high, inset 12 before and 6 after.
class AllowChip : public QWidget {
    Q_OBJECT
public:
    explicit AllowChip(const QString& value, QWidget* parent = nullptr);

    static constexpr int chipHeight = 30;
    // Longer values are cut with "…" (the tooltip holds the whole value).
    static constexpr int maxTextWidth = 300;

    QString value() const;
    void setValue(const QString& value);
    RemoveButton* removeButton() const { return m_remove; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextLabel* m_text = nullptr;
    RemoveButton* m_remove = nullptr;
};

// The allowlist card of the redaction rules: the exact values that always pass through raw, as
// removable chips, an entry field to add one, and a line counting the values an organisation
// adds. Adding and removing edit the draft's working copy (one change per edit); nothing reaches
// the gateway until the rules are saved.
//
// The card is built once; on every RedactionDraft::changed it updates its chips in place (by
// position) and never touches the entry field, so typed text, the caret and the focus survive
// polls and reloads. The draft must outlive the card.
class RedactionAllowlistCard : public Surface {
    Q_OBJECT
public:
    explicit RedactionAllowlistCard(RedactionDraft& draft, QWidget* parent = nullptr);

    EntryField* field() const { return m_field; }
    PrimaryButton* addButton() const { return m_add; }
    QList<AllowChip*> chips() const { return m_chips; }
    OrgLine* orgLine() const { return m_orgLine; }

    // Adds the field's text, trimmed, at the end of the allowlist and empties the field; text that
    // trims to nothing is left in the field and nothing is added. A value already listed (here or
    // by the organisation) is added again.
    void addAllow();
    // Takes the value at `index` out of the working copy's allowlist; an index out of range does nothing.
    void removeAt(int index);

private:
    void sync();

    RedactionDraft& m_draft;
    QWidget* m_chipBox = nullptr;
    FlowLayout* m_flow = nullptr;
    QList<AllowChip*> m_chips;
    EntryField* m_field = nullptr;
    PrimaryButton* m_add = nullptr;
    OrgLine* m_orgLine = nullptr;
};

} // namespace fernholm
