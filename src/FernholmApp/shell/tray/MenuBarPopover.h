#pragma once

#include "FernholmApp/shell/tray/PopoverState.h"

#include <QAbstractButton>
#include <QList>
#include <QTimer>
#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace fernholm {

class AppModel;
class ProtectionStatus;
class Supervision;
class PopoverRow;
class TextLabel;
class VSwitch;

// The small capsule button of the panel's dark cards: 30 high, Theme::onFeature with the title
// in 12/500 near-black; drawn at half opacity while disabled.
class LightButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit LightButton(const QString& title, QWidget* parent = nullptr);
    void setTitle(const QString& title);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// The tray panel's content, 360 wide: the header, one card (the first critical alert's, else
// the protection status with its switch or button), the attention line, the last messages and
// the action rows (Ctrl+O, Ctrl+P, Ctrl+Q while the panel's window is active).
//
//     auto* panel = new MenuBarPopover(model, checkForUpdates, showWindow, quit);
//
// It keeps nothing of the model: it re-reads popoverState() whenever the model changes while it
// is shown (and when it is shown), and updates its widgets in place. Every control calls one
// model action or one of the hooks. `checkForUpdates` may be empty: then its row is not shown.
class MenuBarPopover : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 360;

    MenuBarPopover(AppModel& model, std::function<void()> checkForUpdates, std::function<void()> showWindow,
                   std::function<void()> quit, QWidget* parent = nullptr);

    // The status card's control: the item's flags decide between relaunching the gateway (only
    // while the link is stopped), forcing it off, and switching protection.
    void run(const MenuProtectionItem& item);
    // An alert button: carried out here for the actions runsHere() names, else the main window's
    // Home page is asked for and shown.
    void runAlert(const std::optional<AlertAction>& action);

    // Reads the model again now (also while hidden).
    void refresh();
    const PopoverState& state() const { return m_state; }

    // The parts, for tests and the tray host.
    QWidget* criticalCard() const { return m_criticalCard; }
    QWidget* statusCard() const { return m_statusCard; }
    LightButton* alertButton() const { return m_alertButton; }
    LightButton* controlButton() const { return m_controlButton; }
    VSwitch* protectionSwitch() const { return m_switch; }
    TextLabel* statusLine() const { return m_statusLine; }
    TextLabel* summaryLabel() const { return m_summaryLabel; }
    TextLabel* attentionLine() const { return m_attention; }
    TextLabel* emptyLine() const { return m_empty; }
    QList<QWidget*> messageRows() const { return m_messageRows; }
    QList<PopoverRow*> actionRows() const;
    PopoverRow* updatesRow() const { return m_updatesRow; }

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void scheduleRefresh();
    void render();
    void renderMessages();
    PopoverRow* actionRow(const QString& title, const QString& shortcut, QVBoxLayout* into);

    AppModel& m_model;
    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    std::function<void()> m_checkForUpdates;
    std::function<void()> m_showWindow;
    std::function<void()> m_quit;
    PopoverState m_state;
    bool m_rendered = false;
    bool m_refreshPending = false;

    TextLabel* m_version;
    QWidget* m_criticalCard;
    TextLabel* m_alertTitle;
    TextLabel* m_alertBody;
    LightButton* m_alertButton;
    QWidget* m_statusCard;
    QWidget* m_dot;
    TextLabel* m_summaryLabel;
    TextLabel* m_statusLine;
    LightButton* m_controlButton;
    VSwitch* m_switch;
    QWidget* m_logos;
    TextLabel* m_attention;
    QVBoxLayout* m_recent;
    TextLabel* m_empty;
    QList<QWidget*> m_messageRows;
    QList<PopoverMessage> m_shownMessages;
    PopoverRow* m_openRow;
    PopoverRow* m_promptRow;
    PopoverRow* m_updatesRow;
    PopoverRow* m_quitRow;
};

} // namespace fernholm
