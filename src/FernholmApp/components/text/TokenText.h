#pragma once

#include "FernholmApp/components/text/TextLabel.h"

namespace fernholm {

// A placeholder token written as text: the token verbatim (never translated) in the fixed-width
// token face (Fonts::mono, weight 400; the system's fixed-width font when the shipped face is
// missing) at `fontSize`, in Theme::token. No padding or background; it wraps like any TextLabel.
class TokenText : public TextLabel {
    Q_OBJECT
public:
    TokenText(const QString& token, qreal fontSize, QWidget* parent = nullptr);
};

// The arrow between a value and the token that replaces it: "→" (through tr, so a table may
// change it; ours keep it) in sans `fontSize`/500, in Theme::token.
class TokenArrow : public TextLabel {
    Q_OBJECT
public:
    explicit TokenArrow(qreal fontSize, QWidget* parent = nullptr);
};

} // namespace fernholm
