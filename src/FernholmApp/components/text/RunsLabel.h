#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace fernholm {

// Painted text made of runs in their own fonts and theme colours ("title — body" with a bold
// title), wrapped as one paragraph. setMaxLines(n) caps it: the last shown line ends in "…"
// in the font and colour of the run it cuts. Height for width; not selectable. Accessible as
// static text named by the whole text.
//
//     auto* text = new RunsLabel(this);
//     text->setRuns({{title, Fonts::sans(13, 600), Theme::ink}, {u" — "_s + body, Fonts::sans(13), Theme::dim}});
//     text->setMaxLines(2);
class RunsLabel : public QWidget {
    Q_OBJECT
public:
    struct Run {
        QString text;
        QFont font;
        ThemeColor color;
        bool operator==(const Run&) const = default;
    };

    explicit RunsLabel(QWidget* parent = nullptr);

    QList<Run> runs() const { return m_runs; }
    void setRuns(const QList<Run>& runs);
    // The runs joined.
    QString text() const;

    int maxLines() const { return m_maxLines; }
    // 0: as many lines as the text needs.
    void setMaxLines(int lines);

    // The lines as shown at `width` (the last one with its ellipsis when cut), and whether
    // anything is cut there.
    QStringList shownLines(qreal width) const;
    bool isTruncated(qreal width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    QList<Run> m_runs;
    int m_maxLines = 0;
};

} // namespace fernholm
