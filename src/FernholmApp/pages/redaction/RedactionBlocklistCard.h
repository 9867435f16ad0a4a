#pragma once

#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/theme/Theme.h"

#include <QList>

#include <array>

class QHBoxLayout;

namespace fernholm {

class EntryField;
class LabelChip;
class OrgLine;
class PrimaryButton;
class RedactionDraft;
class RemoveButton;
class TextLabel;
class TokenChip;

// One blocklist entry: a divider above, then the keyword (taking the width, cut with "…"), the
// label's slug in capitals on a coloured chip and the remove cross, 10 apart, 8 above and below.
class BlockRow : public QWidget {
    Q_OBJECT
public:
    explicit BlockRow(QWidget* parent = nullptr);

    // Shows `keyword` with `label` at list position `index` (which picks the chip's colour).
    void setEntry(const QString& keyword, const QString& label, int index);

    TextLabel* keyword() const { return m_keyword; }
    LabelChip* chip() const { return m_chip; }
    RemoveButton* removeButton() const { return m_remove; }

private:
    TextLabel* m_keyword = nullptr;
    LabelChip* m_chip = nullptr;
    RemoveButton* m_remove = nullptr;
};

// The blocklist card of the redaction rules: keyword and label pairs that are always replaced,
// one row each, an entry row (keyword, a narrow label field, "Add"), the placeholder the typed
// label will produce, and a line counting the entries an organisation adds. Adding and removing
// edit the draft's working copy (one change per edit).
//
// Built once; on every RedactionDraft::changed the rows are updated in place by position and the
// entry fields are left alone, so typed text and focus survive polls and reloads. The draft must
// outlive the card.
class RedactionBlocklistCard : public Surface {
    Q_OBJECT
public:
    explicit RedactionBlocklistCard(RedactionDraft& draft, QWidget* parent = nullptr);

    // The colours of the label chips, row i taking palette[i % 12].
    static const std::array<ThemeColor, 12> palette;
    static ThemeColor labelColor(qsizetype index);

    // "[" + the label's slug + "_1]": the placeholder the first value under `label` becomes.
    static QString previewToken(const QString& label);
    // What a row's chip shows for `label`: its slug in capitals.
    static QString chipText(const QString& label);

    EntryField* keywordField() const { return m_keyword; }
    EntryField* labelField() const { return m_label; }
    // Whether the label and the button sit on a line of their own under the phrase.
    bool entryWraps() const;
    PrimaryButton* addButton() const { return m_add; }
    QList<BlockRow*> rows() const { return m_rows; }
    // The preview line and its token chip; the line is hidden while the label field trims to nothing.
    QWidget* preview() const { return m_preview; }
    TokenChip* previewChip() const { return m_previewChip; }
    OrgLine* orgLine() const { return m_orgLine; }

    // Adds the trimmed keyword and label (the label as typed, not its slug) at the end of the
    // blocklist and empties both fields; unless both have something left once trimmed, nothing
    // happens and the fields keep their text. Duplicates are added again.
    void addBlock();
    // Takes the entry at `index` out of the working copy's blocklist; out of range does nothing.
    void removeAt(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int labelWidth = 110;
    static constexpr int comfortablePhrase = 150;
    void placeEntry(bool wraps);
    QHBoxLayout* m_entryTop = nullptr;
    QHBoxLayout* m_entryBottom = nullptr;
    bool m_entryWraps = false;
    void sync();
    void entryEdited();

    RedactionDraft& m_draft;
    QWidget* m_rowBox = nullptr;
    QList<BlockRow*> m_rows;
    EntryField* m_keyword = nullptr;
    EntryField* m_label = nullptr;
    PrimaryButton* m_add = nullptr;
    QWidget* m_preview = nullptr;
    TokenChip* m_previewChip = nullptr;
    OrgLine* m_orgLine = nullptr;
};

} // namespace fernholm
