#pragma once

#include "FernholmApp/components/layout/Surface.h"

namespace fernholm {

class RedactionDraft;
class SegmentedControl;
class TextLabel;

// How the redaction rules treat documents, on a sand card in two equal columns: how replaced
// values look in a redacted PDF ("labelled" boxes or "black" bars) and what becomes of barcodes
// and QR codes ("blank": covered, or "keep"), with a note under the second choice while codes are
// kept. Choosing a segment writes its value into the working copy's document options (one change
// per choice); a stored value that is neither option selects no segment.
//
// Built once, updated in place on RedactionDraft::changed. The draft must outlive the card.
class DocumentOptionsCard : public Surface {
    Q_OBJECT
public:
    explicit DocumentOptionsCard(RedactionDraft& draft, QWidget* parent = nullptr);

    static inline const QString labelled = QStringLiteral("labelled");
    static inline const QString black = QStringLiteral("black");
    static inline const QString blank = QStringLiteral("blank");
    static inline const QString keep = QStringLiteral("keep");

    // Whether the note on kept codes shows for a stored `codes` value.
    static bool showsCodesNote(const QString& codes) { return codes == keep; }

    SegmentedControl* boxStyle() const { return m_boxStyle; }
    SegmentedControl* codes() const { return m_codes; }
    TextLabel* note() const { return m_note; }

private:
    void sync();

    RedactionDraft& m_draft;
    SegmentedControl* m_boxStyle = nullptr;
    SegmentedControl* m_codes = nullptr;
    TextLabel* m_note = nullptr;
};

} // namespace fernholm
