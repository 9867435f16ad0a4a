#pragma once

#include "FernholmKit/presentation/AppTab.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/Alerts.h"

#include <QAbstractButton>
#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

namespace fernholm {

class SelectableText;
class TextLabel;

// The Home item's alert count: a capsule at least 18 x 18 with the count in white, red while a
// critical alert is laid out, amber otherwise. Spoken as "{n} alert(s)".
class SidebarBadge : public QWidget {
    Q_OBJECT
public:
    explicit SidebarBadge(QWidget* parent = nullptr);

    int count() const { return m_count; }
    bool isCritical() const { return m_critical; }
    void setCount(int count, bool critical);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_count = 0;
    bool m_critical = false;
};

// One navigation row of the sidebar: icon, title and, on Home, the badge; 40 high. A click asks
// for its page (clicked()); the row never highlights itself, the sidebar tells it.
class SidebarItem : public QAbstractButton {
    Q_OBJECT
public:
    // `also`: further pages for which the row is shown selected (Settings also stands for setup).
    SidebarItem(AppTab tab, const QString& title, const QString& icon, QList<AppTab> also = {},
                QWidget* parent = nullptr);

    AppTab tab() const { return m_tab; }
    QString title() const { return m_title; }
    QString icon() const { return m_icon; }
    bool selects(AppTab selection) const;
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // 0 hides the badge.
    void setBadge(int count, bool critical);
    SidebarBadge* badge() const { return m_badge; }

    // The title as drawn at the current width: its font (shrunk to at most 80 %) and text
    // (cut with "…" when even that does not fit).
    QFont shownTitleFont() const;
    QString shownTitle() const;
    QRectF titleRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFont titleFont() const;
    void placeBadge();

    AppTab m_tab;
    QString m_title;
    QString m_icon;
    QList<AppTab> m_also;
    bool m_selected = false;
    SidebarBadge* m_badge;
};

// The protection summary and the version at the foot of the sidebar; read as one element.
class SidebarStatusCard : public QWidget {
    Q_OBJECT
public:
    SidebarStatusCard(ProtectionSummary summary, const QString& versionLine, QWidget* parent = nullptr);

    ProtectionSummary summary() const { return m_summary; }
    void setSummary(ProtectionSummary summary);
    QString versionLine() const;
    void setVersionLine(const QString& line);
    // The summary's label and the version line, as a screen reader reads the card.
    QString spokenText() const;
    // The dot's colour for a summary.
    static const ThemeColor& dotColor(ProtectionSummary summary);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProtectionSummary m_summary;
    TextLabel* m_label;
    SelectableText* m_version;
};

// The main window's navigation column, 232 wide: the wordmark, Home and Activity, the
// "Protection" and "Studio" groups, and at the foot Settings and the status card.
//
//     auto* sidebar = new Sidebar(AppTab::home, summary, layout);
//     connect(sidebar, &Sidebar::selectionWritten, window, &MainWindow::show);
//     // on every model change:
//     sidebar->setSummary(summary);
//     sidebar->setAlertLayout(layout);
//
// It keeps no state of the application: a click only emits selectionWritten (also for the row
// already selected) and the owner answers with setSelection. Setters update the rows in place.
class Sidebar : public QWidget {
    Q_OBJECT
public:
    Sidebar(AppTab selection, ProtectionSummary summary, const AlertLayout& layout, QWidget* parent = nullptr);

    AppTab selection() const { return m_selection; }
    void setSelection(AppTab selection);
    ProtectionSummary summary() const;
    void setSummary(ProtectionSummary summary);
    const AlertLayout& alertLayout() const { return m_layout; }
    void setAlertLayout(const AlertLayout& layout);
    // What the status card's second line shows; appVersion() unless set.
    void setVersion(const std::optional<QString>& version);

    // "Tarvine 2.1.0" as it stands in every language, or "Tarvine (development build)" translated.
    static QString versionLine(const std::optional<QString>& version);

    const QList<SidebarItem*>& items() const { return m_items; }
    SidebarItem* item(AppTab tab) const;
    SidebarStatusCard* statusCard() const { return m_card; }

Q_SIGNALS:
    // The user clicked the row of `tab`: the owner shows that page.
    void selectionWritten(AppTab tab);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SidebarItem* makeItem(AppTab tab, const QString& title, const QString& icon, QList<AppTab> also = {});

    AppTab m_selection;
    AlertLayout m_layout;
    QList<SidebarItem*> m_items;
    SidebarStatusCard* m_card = nullptr;
};

} // namespace fernholm
