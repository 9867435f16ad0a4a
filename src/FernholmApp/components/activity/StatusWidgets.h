#pragma once

// Small painted pieces of the home page.

#include "FernholmApp/theme/Theme.h"

#include <QWidget>

class QBoxLayout;

namespace fernholm {

// A dot of `diameter` in a colour over a halo of the same colour at 18 %, `halo` px wider on
// every side.
class StateDot : public QWidget {
    Q_OBJECT
public:
    StateDot(qreal diameter, qreal halo, const ThemeColor& color, QWidget* parent = nullptr);

    ThemeColor color() const { return m_color; }
    void setColor(const ThemeColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_diameter;
    qreal m_halo;
    ThemeColor m_color;
};

// One provider on the status hero: its mark on a white disc, its name and a dot in the state
// colour, on a capsule.
class ProviderChip : public QWidget {
    Q_OBJECT
public:
    ProviderChip(const QString& name, const QString& displayName, const ThemeColor& dotColor, QWidget* parent = nullptr);

    QString name() const { return m_name; }
    void setDisplayName(const QString& displayName);
    void setDotColor(const ThemeColor& color);
    QString displayName() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    class TextLabel* m_label;
    StateDot* m_dot;
};

// A vertical hairline in Theme::line.
class VerticalLine : public QWidget {
    Q_OBJECT
public:
    explicit VerticalLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A symbol from the icon set at a fixed size.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& name, qreal size, const ThemeColor& color, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    qreal m_size;
    ThemeColor m_color;
};

// Puts `widgets` into `layout` in that order, touching the layout only when the order changed;
// other items of the layout are dropped from it (not deleted).
void arrangeWidgets(QBoxLayout* layout, const QList<QWidget*>& widgets);

} // namespace fernholm
