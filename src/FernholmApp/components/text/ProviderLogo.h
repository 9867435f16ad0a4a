#pragma once

#include "FernholmApp/theme/BrandImages.h"
#include "FernholmApp/theme/Theme.h"

#include <QString>
#include <QWidget>

#include <optional>

namespace fernholm {

// The AI services that have a mark of their own among the shipped images.
enum class KnownProvider { chatgpt, claude, gemini };

// Which known service a provider or service id names: first by its display name
// (destinationLabel, lower-cased: "chatgpt", "claude", "gemini"), then by the id itself,
// lower-cased ("chatgpt" or "openai", "claude" or "anthropic", "gemini" or "google").
std::optional<KnownProvider> knownProvider(const QString& name);

// The image of a known provider, or nothing (also when its image is not shipped).
std::optional<BrandImage> providerMark(const QString& name);

// The fallback letter of a provider: the first user-perceived character of its display name,
// unchanged in case (empty for an empty name).
QString providerInitial(const QString& name);

// A provider's logo in a `logoSize` square: its mark stretched over the square (a template mark
// tinted Theme::ink), or else its initial in the display face at 0.9 x the size, in Theme::ink,
// centred. Decoration only: hidden from accessibility (the provider's name stands beside it).
class ProviderLogo : public QWidget {
    Q_OBJECT
public:
    ProviderLogo(const QString& name, qreal logoSize, QWidget* parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString& name);
    qreal logoSize() const { return m_size; }
    void setLogoSize(qreal size);

    // Whether it shows a mark (else the letter).
    bool hasMark() const { return providerMark(m_name).has_value(); }
    // The letter shown when there is no mark.
    QString letter() const { return providerInitial(m_name); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Paints the logo of `name` into `box` for `widget`'s scheme.
    static void paint(QPainter& painter, const QRectF& box, const QString& name, const QWidget* widget);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    qreal m_size;
};

// A provider's logo centred on a rounded tile `tileSize` square (corner radius 0.3 x the size)
// filled with `fill`: the mark at 0.55 x the tile's size, or the letter at 0.5.
class ProviderTile : public QWidget {
    Q_OBJECT
public:
    ProviderTile(const QString& name, qreal tileSize, const ThemeColor& fill, QWidget* parent = nullptr);

    QString name() const;
    void setName(const QString& name);
    qreal tileSize() const { return m_size; }
    ThemeColor fill() const { return m_fill; }
    void setFill(const ThemeColor& fill);

    ProviderLogo* logo() const { return m_logo; }
    // The logo's size as a share of the tile's for `name`.
    static qreal logoScale(const QString& name);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeLogo();

    qreal m_size;
    ThemeColor m_fill;
    ProviderLogo* m_logo;
};

} // namespace fernholm
