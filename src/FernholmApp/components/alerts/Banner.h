#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QVBoxLayout;

namespace fernholm {

class SelectableText;
class TextLabel;

enum class BannerKind { error, warning };

// The inline notice of a page or a card for an error or a warning: a round icon, an optional
// title, the message and an optional row of action widgets, on a tinted rounded box with a
// thin outline.
//
//     auto* banner = new Banner(BannerKind::error, fernholm::tr("Couldn't check this text"),
//                               errorText, {new PrimaryButton(fernholm::tr("Try again"),
//                                                             PrimaryButton::Style::smallOutline)}, this);
//
// It takes the whole width it is given and the height its text needs at that width
// (heightForWidth; several paragraphs grow it, the icon stays at the top). The message can be
// selected and copied; the title cannot. Texts are shown verbatim (translate them first). The
// banner acts on nothing itself: the action widgets (typically PrimaryButtons) become its
// children, keep their own signals and are laid out left to right in the given order.
// Setters update it in place.
class Banner : public QWidget {
    Q_OBJECT
public:
    Banner(BannerKind kind, const std::optional<QString>& title, const QString& message,
           const QList<QWidget*>& actions = {}, QWidget* parent = nullptr);

    BannerKind kind() const { return m_kind; }
    void setKind(BannerKind kind);

    std::optional<QString> title() const;
    void setTitle(const std::optional<QString>& title);

    QString message() const;
    void setMessage(const QString& message);

    QList<QWidget*> actions() const { return m_actions; }
    // Replaces the action widgets; the previous ones are deleted.
    void setActions(const QList<QWidget*>& actions);

    // The parts, for layouts and tests.
    QWidget* icon() const { return m_icon; }
    TextLabel* titleLabel() const { return m_title; }
    SelectableText* messageLabel() const { return m_message; }
    QWidget* actionRow() const { return m_actionRow; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange();
    void relayout();

    BannerKind m_kind;
    QWidget* m_icon;
    TextLabel* m_title;
    SelectableText* m_message;
    QWidget* m_actionRow;
    QHBoxLayout* m_actionLayout;
    QList<QWidget*> m_actions;
    QVBoxLayout* m_column;
    bool m_hasTitle = false;
};

} // namespace fernholm
