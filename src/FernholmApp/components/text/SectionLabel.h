#pragma once

#include "FernholmApp/components/text/TextLabel.h"

namespace fernholm {

// The caption above a section: its text upper-cased (full case mapping, so "ß" becomes "SS"), in
// sans 12/600 with letter tracking 0.96, in `color`; a heading for accessibility.
//
//     page->addWidget(new SectionLabel(fernholm::tr("Experimental"), Theme::faint));
class SectionLabel : public TextLabel {
    Q_OBJECT
public:
    explicit SectionLabel(const QString& text, const ThemeColor& color = Theme::faint, QWidget* parent = nullptr);

    // Shows `text` upper-cased (this hides TextLabel::setText, which shows text as given).
    void setText(const QString& text);
};

} // namespace fernholm
