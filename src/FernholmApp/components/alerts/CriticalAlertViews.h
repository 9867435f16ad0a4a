#pragma once

#include "FernholmApp/components/alerts/AlertHandlers.h"

class QAbstractButton;
class QBoxLayout;
class QVBoxLayout;

namespace fernholm {

class AlertRowLayout;
class PrimaryButton;
class SelectableText;
class TextLabel;

// The large card for the first critical alert, shown on the home page in place of the
// protection state: a red dot with a soft halo and the kicker "NOT PROTECTED", the alert's title
// in the display face (wrapping, never cut), its body (selectable, at most 560 px wide) and a
// row with the main action as a light capsule with an arrow and the secondary action as plain
// text. The row is left out when the alert has neither. Dark critical surface in both schemes.
//
//     auto* hero = new CriticalHero(layout.critical.first(), this);
//     hero->setAlert(next);   // in place
//
// Buttons act through AlertHandlers (see there): the main one is disabled while busy, the
// secondary one is not. It takes the whole width it is given and the height its text needs
// there (heightForWidth). Texts are shown verbatim.
class CriticalHero : public AlertView {
    Q_OBJECT
public:
    explicit CriticalHero(const AppAlert& alert, QWidget* parent = nullptr);

    const AppAlert& alert() const { return m_alert; }
    void setAlert(const AppAlert& alert);

    // The parts, for layouts and tests.
    TextLabel* kicker() const { return m_kicker; }
    QWidget* dot() const { return m_dot; }
    TextLabel* titleLabel() const { return m_title; }
    SelectableText* bodyLabel() const { return m_body; }
    QWidget* buttonRow() const { return m_buttonRow; }
    QAbstractButton* mainButton() const { return m_main; }
    QAbstractButton* secondaryButton() const { return m_secondary; }

protected:
    void handlersChanged() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    AppAlert m_alert;
    QWidget* m_dot;
    TextLabel* m_kicker;
    TextLabel* m_title;
    SelectableText* m_body;
    QWidget* m_buttonRow;
    QAbstractButton* m_main;
    QAbstractButton* m_secondary;
    QVBoxLayout* m_texts;
};

// One critical alert as a card on the dark critical surface: a red dot, the title and the
// body, and on the right the main action as a small light capsule (disabled while busy, never
// squeezed). Compact (the alert block at the top of a page): the row is centred, the body cut
// after 2 lines, no secondary action. Full (the home page's further critical alerts): the row
// is aligned at the top, the body selectable and never cut, and the secondary action shows as
// an outline button drawn dark, enabled also while busy. Where the texts would get narrower
// than 200 px, the buttons move under them (AlertRowLayout).
//
//     auto* card = new CriticalCard(alert, true, this);
//
// Buttons act through AlertHandlers. Height for width; setAlert updates it in place.
class CriticalCard : public AlertView {
    Q_OBJECT
public:
    CriticalCard(const AppAlert& alert, bool compact, QWidget* parent = nullptr);

    const AppAlert& alert() const { return m_alert; }
    void setAlert(const AppAlert& alert);
    bool isCompact() const { return m_compact; }

    // The parts, for layouts and tests. The body is selectable text, cut after two lines when
    // compact.
    QWidget* dot() const { return m_dot; }
    TextLabel* titleLabel() const { return m_title; }
    SelectableText* bodyLabel() const { return m_body; }
    QAbstractButton* mainButton() const { return m_main; }
    // Never shown when compact.
    PrimaryButton* secondaryButton() const { return m_secondary; }

protected:
    void handlersChanged() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    AppAlert m_alert;
    bool m_compact;
    QWidget* m_dot;
    TextLabel* m_title;
    SelectableText* m_body;
    QAbstractButton* m_main;
    PrimaryButton* m_secondary;
    QVBoxLayout* m_texts;
    AlertRowLayout* m_row;
};

} // namespace fernholm
