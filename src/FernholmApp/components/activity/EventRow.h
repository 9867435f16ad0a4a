#pragma once

#include "FernholmKit/text/Calendar.h"
#include "FernholmKit/control/EventModels.h"

#include <QAbstractButton>
#include <QList>

#include <functional>

class QHBoxLayout;

namespace fernholm {

class ProviderLogo;
class StatusPill;
class TextLabel;
class TokenChip;

// One inspected request as a single clickable line: time, destination service, what happened
// (a sentence, or the placeholder tokens of a redacted request), the outcome pill and, when the
// row can open, a chevron that turns over while it is open.
//
//     auto* row = new EventRow(event, /*isExpanded*/ false, isExpandable(event.status),
//                              /*showTokens*/ true, /*verticalPadding*/ 12, [this] { toggle(); });
//     row->setEvent(newer);       // same widget, updated in place (hover and focus survive)
//     row->setExpanded(true);     // turns the chevron
//
// The row is disabled unless expandable: no chevron, no hover fill, and a click does nothing.
// Times are shown in the system's zone and locale unless setCalendar says otherwise.
class EventRow : public QAbstractButton {
    Q_OBJECT
public:
    EventRow(const Event& event, bool isExpanded, bool expandable, bool showTokens, qreal verticalPadding,
             std::function<void()> action, QWidget* parent = nullptr);
    ~EventRow() override;

    const Event& event() const { return m_event; }
    void setEvent(const Event& event);
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    bool isExpandable() const { return m_expandable; }
    void setExpandable(bool expandable);
    bool showsTokensWhenRedacted() const { return m_showTokens; }
    void setShowTokens(bool showTokens);
    qreal verticalPadding() const { return m_padding; }
    void setVerticalPadding(qreal padding);
    void setAction(std::function<void()> action);
    const Calendar& calendar() const { return m_calendar; }
    void setCalendar(const Calendar& calendar);

    // What the row shows, for tests and the pages' layout checks.
    bool isHovering() const { return m_hovering; }
    bool showsHoverFill() const { return m_expandable && m_hovering; }
    bool showsDocumentIcon() const;
    // The chips shown, in order (at most 4).
    QList<TokenChip*> shownChips() const;
    // "+N" when more than 4 tokens are shown, else empty.
    QString overflowText() const;
    // The sentence label while the sentence is shown, else null.
    TextLabel* sentence() const;
    TextLabel* timeLabel() const { return m_time; }
    TextLabel* destinationLabel() const { return m_destination; }
    StatusPill* pill() const { return m_pill; }
    // The chevron's widget (hidden when the row cannot open).
    QWidget* chevron() const { return m_chevron; }
    // Whether the chevron is drawn turned over.
    bool chevronTurned() const;

    // Whether the tokens of `event` stand in for its sentence.
    static bool showsTokens(const Event& event, bool showTokens);
    // The overflow label for `count` tokens: "+N" past the fourth, else empty.
    static QString overflowLabel(qsizetype count);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shares the token cell's width out: each chip in turn as much as it wants while the chips
    // after it keep room for their "…", so the first tokens stay readable.
    void shareTokenWidth();
    void refresh();
    void updateAccessibleName();

    Event m_event;
    bool m_expanded;
    bool m_expandable;
    bool m_showTokens;
    qreal m_padding;
    std::function<void()> m_action;
    Calendar m_calendar;
    bool m_hovering = false;

    QHBoxLayout* m_row;
    TextLabel* m_time;
    ProviderLogo* m_logo;
    TextLabel* m_destination;
    QWidget* m_docIcon;
    QWidget* m_tokenCell = nullptr;
    QList<TokenChip*> m_chips;
    TextLabel* m_overflow;
    TextLabel* m_sentence;
    StatusPill* m_pill;
    QWidget* m_chevron;
};

} // namespace fernholm
