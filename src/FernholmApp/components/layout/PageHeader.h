#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QVBoxLayout;

namespace fernholm {

class TextLabel;

// The head of a page: the title in the page-title style (Theme::titleFont, one line, shrinking to
// 70 % of its size before it is cut with "…", a heading) over an optional subtitle (sans 14/400 in
// Theme::dim, wrapping onto as many lines as it needs, never squeezed), and an optional trailing
// view (a button, a control) at the far side, the two bottom-aligned, 16 apart.
//
//     auto* header = new PageHeader(fernholm::tr("Activity"), fernholm::tr("What Tarvine did today"));
//     header->setTrailing(filter);   // owned by the header; replacing deletes the previous one
//
// Texts are shown verbatim (translate first); the setters update in place.
class PageHeader : public QWidget {
    Q_OBJECT
public:
    explicit PageHeader(const QString& title, const std::optional<QString>& subtitle = std::nullopt,
                        QWidget* trailing = nullptr, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setSubtitle(const std::optional<QString>& subtitle);
    QWidget* trailing() const { return m_trailing; }
    void setTrailing(QWidget* trailing);

    TextLabel* titleLabel() const { return m_title; }
    // Hidden while there is no subtitle.
    TextLabel* subtitleLabel() const { return m_subtitle; }

private:
    QHBoxLayout* m_row = nullptr;
    TextLabel* m_title = nullptr;
    TextLabel* m_subtitle = nullptr;
    QPointer<QWidget> m_trailing;
};

} // namespace fernholm
