#include "app/support/TextGeometry.h"

#include "FernholmApp/components/text/TextLabel.h"

#include <QList>
#include <QRect>
#include <QWidget>

namespace fernholm::test {

namespace {

struct PlacedLabel {
    const TextLabel* label;
    QRect box; // in the coordinates of the root
};

QString quoted(const TextLabel* label) {
    return QLatin1Char('"') + label->text() + QLatin1Char('"');
}

} // namespace

QStringList textProblems(QWidget* root) {
    QList<PlacedLabel> placed;
    for (const TextLabel* label : root->findChildren<TextLabel*>()) {
        if (!label->isVisibleTo(root) || label->text().isEmpty() || label->width() <= 0 || label->height() <= 0) {
            continue;
        }
        const QRect box(label->mapTo(root, QPoint(0, 0)), label->size());
        if (!box.intersects(root->rect())) {
            continue;
        }
        placed.append({label, box});
    }

    QStringList problems;
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const PlacedLabel& a = placed[i];
        if (a.label->isTruncated()) {
            problems << QStringLiteral("cut: ") + quoted(a.label);
        }
        if (a.box.left() < 0 || a.box.right() > root->rect().right()) {
            problems << QStringLiteral("past the edge: ") + quoted(a.label);
        }
        for (qsizetype j = i + 1; j < placed.size(); ++j) {
            if (a.box.intersects(placed[j].box)) {
                problems << QStringLiteral("overlap: %1 / %2").arg(quoted(a.label), quoted(placed[j].label));
            }
        }
    }
    return problems;
}

} // namespace fernholm::test
