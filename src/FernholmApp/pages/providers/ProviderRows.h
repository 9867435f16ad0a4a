#pragma once

#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/control/RedactionModels.h"

#include <QHash>
#include <QList>
#include <QWidget>

#include <functional>

class QGraphicsOpacityEffect;
class QVBoxLayout;

namespace fernholm {

class ProviderTile;
class Surface;
class TextLabel;
class VSwitch;

// The "Experimental" mark beside a provider's name: sans 11/600 in warningInk on a
// warningIconBg capsule, 8 px in from each side and 2 from top and bottom.
class ExperimentalBadge : public QWidget {
    Q_OBJECT
public:
    explicit ExperimentalBadge(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
};

// One provider: its tile, its name (with the badge when experimental), its hosts joined by
// " · ", its note when it has one, and its switch at the trailing edge. The switch shows the
// provider as last set and asks `onToggle` for a change; it never flips by itself.
class ProviderRow : public QWidget {
    Q_OBJECT
public:
    ProviderRow(const Provider& provider, const ThemeColor& tileFill, std::function<void(const QString&, bool)> onToggle,
                QWidget* parent = nullptr);

    const Provider& provider() const { return m_provider; }
    // Shows `provider` in place (same name or not).
    void setProvider(const Provider& provider);
    // 1 while protection is on, else 0.7; the whole row, switch included.
    void setDimmed(bool dimmed);
    qreal drawnOpacity() const;

    ProviderTile* tile() const { return m_tile; }
    TextLabel* nameLabel() const { return m_name; }
    // Null unless the provider is experimental.
    ExperimentalBadge* badge() const;
    TextLabel* hostsLabel() const { return m_hosts; }
    // Hidden while the provider has no note.
    TextLabel* noteLabel() const { return m_note; }
    VSwitch* toggle() const { return m_switch; }

    // The hosts as the row shows them.
    static QString hostsLine(const QStringList& hosts);

private:
    Provider m_provider;
    std::function<void(const QString&, bool)> m_onToggle;
    ProviderTile* m_tile;
    TextLabel* m_name;
    ExperimentalBadge* m_badge;
    TextLabel* m_hosts;
    TextLabel* m_note;
    VSwitch* m_switch;
    QGraphicsOpacityEffect* m_fade;
};

// The rows of one card, kept by provider name across updates (so a switch under the pointer or
// the keyboard stays the same widget), a divider between each two.
class ProviderList : public QWidget {
    Q_OBJECT
public:
    ProviderList(const ThemeColor& tileFill, std::function<void(const QString&, bool)> onToggle,
                 QWidget* parent = nullptr);
    ~ProviderList() override;

    void setProviders(const QList<Provider>& providers);
    void setDimmed(bool dimmed);

    QList<ProviderRow*> rows() const { return m_order; }
    // The dividers in use, in order (one fewer than the rows).
    QList<QWidget*> dividers() const;
    ProviderRow* rowFor(const QString& name) const;

private:
    ThemeColor m_tileFill;
    std::function<void(const QString&, bool)> m_onToggle;
    QVBoxLayout* m_column;
    QList<ProviderRow*> m_order;
    QList<QWidget*> m_dividers;
    bool m_dimmed = false;
};

} // namespace fernholm
