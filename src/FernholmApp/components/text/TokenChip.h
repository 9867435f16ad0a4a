#pragma once

#include <QWidget>

namespace fernholm {

// A placeholder token as a chip: the token verbatim on one line in the fixed-width token face
// (Fonts::mono, weight 400) at `fontSize`, coloured Theme::tokenChip, on a rounded rectangle of
// Theme::tokenChipBg. Above 11 px the chip is padded 8 across and 3 down with radius 6; at 11 and
// below 6 and 2 with radius 5. It asks for its whole token's width but can be made narrower, down
// to its paddings and "…": the token is then cut at the end with "…".
//
//     flow->addWidget(new TokenChip(QStringLiteral("[PERSON_1]"), 12));
class TokenChip : public QWidget {
    Q_OBJECT
public:
    explicit TokenChip(const QString& token, qreal fontSize = 12, QWidget* parent = nullptr);

    QString token() const { return m_token; }
    void setToken(const QString& token);
    qreal fontSize() const { return m_fontSize; }

    struct Metrics {
        qreal paddingH;
        qreal paddingV;
        qreal radius;
        bool operator==(const Metrics&) const = default;
    };
    static Metrics metrics(qreal fontSize);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_token;
    qreal m_fontSize;
};

} // namespace fernholm
