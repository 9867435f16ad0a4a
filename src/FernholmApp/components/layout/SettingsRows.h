#pragma once

#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Theme.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <optional>

class QGraphicsOpacityEffect;
class QHBoxLayout;

namespace fernholm {

class Surface;
class SectionLabel;
class TextLabel;

// A row's title (sans 14/500, ink) over an optional detail (sans 13/400, dim) that wraps onto
// as many lines as it needs. Texts are shown verbatim.
class SettingLabel : public QWidget {
    Q_OBJECT
public:
    explicit SettingLabel(const QString& title, const std::optional<QString>& detail = std::nullopt,
                          QWidget* parent = nullptr);

    TextLabel* title() const { return m_title; }
    // Hidden while there is no detail.
    TextLabel* detail() const { return m_detail; }
    void setDetail(const std::optional<QString>& detail);

private:
    TextLabel* m_title;
    TextLabel* m_detail;
};

// A symbol of the icon set at a fixed size and weight.
class RowSymbol : public QWidget {
    Q_OBJECT
public:
    RowSymbol(const QString& name, qreal size, IconWeight weight, const ThemeColor& color, QWidget* parent = nullptr);

    QString name() const { return m_name; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    qreal m_size;
    IconWeight m_weight;
    ThemeColor m_color;
};

// A setting: its label at the leading edge and its control (when there is one) at the trailing
// edge, vertically centred, 16 apart, inset 22 left and right and 16 top and bottom.
class SettingRow : public QWidget {
    Q_OBJECT
public:
    SettingRow(const QString& title, const std::optional<QString>& detail, QWidget* control,
               QWidget* parent = nullptr);

    SettingLabel* label() const { return m_label; }
    QWidget* control() const { return m_control; }

private:
    SettingLabel* m_label;
    QWidget* m_control;
};

// A row that leads somewhere: its label and an arrow at the trailing edge; the whole row takes
// the click (or Space / Enter when focused) and emits clicked(). Disabled, it is drawn at half
// opacity and ignores clicks. Accessible as a button named by its title.
class LinkRow : public QAbstractButton {
    Q_OBJECT
public:
    LinkRow(const QString& title, const std::optional<QString>& detail, QWidget* parent = nullptr);

    SettingLabel* label() const { return m_label; }
    RowSymbol* arrow() const { return m_arrow; }
    // The opacity the row is drawn at: 0.5 disabled, else 1.
    qreal drawnOpacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    SettingLabel* m_label;
    RowSymbol* m_arrow;
    QGraphicsOpacityEffect* m_fade;
};

// A titled group of rows: the title as a section label in faint over a card whose rows are
// separated by dividers. A hidden row takes its divider with it.
//
//     auto* help = new SettingsSection(fernholm::tr("Help"));
//     help->addRow(reportRow);
//     help->addRow(tourRow);
//     help->setRowShown(tourRow, false);
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSection(const QString& title, QWidget* parent = nullptr);

    void addRow(QWidget* row);
    // Shows or hides a row added before, and the divider that goes with it.
    void setRowShown(QWidget* row, bool shown);

    SectionLabel* titleLabel() const { return m_title; }
    Surface* card() const { return m_card; }
    QList<QWidget*> rows() const { return m_rows; }
    // The rows and the dividers that take room now, in order.
    QList<QWidget*> shownRows() const;
    QList<QWidget*> shownDividers() const;

private:
    void placeDividers();

    SectionLabel* m_title;
    Surface* m_card;
    QList<QWidget*> m_rows;
    QList<QWidget*> m_dividers; // m_dividers[i] stands above m_rows[i + 1]
    QList<bool> m_shown;
};

} // namespace fernholm
