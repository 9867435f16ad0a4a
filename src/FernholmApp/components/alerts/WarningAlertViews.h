#pragma once

#include "FernholmApp/components/alerts/AlertHandlers.h"

class QVBoxLayout;

namespace fernholm {

class AlertIcon;
class PrimaryButton;
class RunsLabel;
class SelectableText;
class SnoozeButton;
class TextLabel;

// A warning or a notice as a roomy card (the home page's further alerts): the level's round
// icon, the title and the body (selectable, both wrapping, never cut), then the secondary action
// as an outline button, the main action (dark `small` for a warning, `smallWhite` for a notice)
// and the snooze cross. Warnings sit on the amber `warningBg` with a thin amber outline,
// notices on `muted` with none. Any level other than warning is drawn as a notice.
//
//     auto* card = new AlertCard(alert, this);
//
// Buttons act through AlertHandlers: both action buttons are disabled while busy, the snooze
// cross never is. Height for width; setAlert updates it in place. Where the texts would get
// narrower than 200 px, the buttons move under them (AlertRowLayout).
class AlertCard : public AlertView {
    Q_OBJECT
public:
    explicit AlertCard(const AppAlert& alert, QWidget* parent = nullptr);

    const AppAlert& alert() const { return m_alert; }
    void setAlert(const AppAlert& alert);

    // The parts, for layouts and tests.
    AlertIcon* icon() const { return m_icon; }
    QWidget* textColumn() const { return m_textColumn; }
    TextLabel* titleLabel() const { return m_title; }
    SelectableText* bodyLabel() const { return m_body; }
    PrimaryButton* mainButton() const { return m_main; }
    PrimaryButton* secondaryButton() const { return m_secondary; }
    SnoozeButton* snoozeButton() const { return m_snooze; }

protected:
    void handlersChanged() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    AppAlert m_alert;
    AlertIcon* m_icon;
    QWidget* m_textColumn;
    QVBoxLayout* m_texts;
    TextLabel* m_title;
    SelectableText* m_body;
    PrimaryButton* m_secondary;
    PrimaryButton* m_main;
    SnoozeButton* m_snooze;
};

// A warning or a notice as a slim strip (the alert block at the top of a page): the level's
// symbol, one text "title — body" (the title bold in `ink`, the body in `dim`) on at most two
// lines cut with "…", the main action and the snooze cross. Never the secondary action. Colours
// and button styles as AlertCard's.
//
//     auto* strip = new AlertStrip(alert, this);
//
// The action button is disabled while busy (AlertHandlers); the snooze cross never is. Height
// for width; setAlert updates it in place. Where the text would get narrower than 200 px, the
// button moves under it.
class AlertStrip : public AlertView {
    Q_OBJECT
public:
    explicit AlertStrip(const AppAlert& alert, QWidget* parent = nullptr);

    const AppAlert& alert() const { return m_alert; }
    void setAlert(const AppAlert& alert);

    // The parts, for layouts and tests.
    QWidget* symbol() const { return m_symbol; }
    RunsLabel* textLabel() const { return m_text; }
    PrimaryButton* mainButton() const { return m_main; }
    SnoozeButton* snoozeButton() const { return m_snooze; }

protected:
    void handlersChanged() override;
    void paintEvent(QPaintEvent* event) override;

private:
    AppAlert m_alert;
    QWidget* m_symbol;
    RunsLabel* m_text;
    PrimaryButton* m_main;
    SnoozeButton* m_snooze;
};

} // namespace fernholm
