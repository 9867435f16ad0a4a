#include "FernholmApp/pages/setup/BrowserRowLine.h"

#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmKit/presentation/SetupSteps.h"

#include <QHBoxLayout>
#include <QPainter>

namespace fernholm {

namespace {

constexpr int iconBox = 14;
constexpr qreal iconSize = 12;
constexpr qreal iconTop = 2;

} // namespace

BrowserRowLine::BrowserRowLine(const BrowserSetupRow& row, QWidget* parent) : QWidget(parent), m_row(row) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(iconBox + 8, 0, 0, 0);
    layout->setSpacing(0);
    m_text = new SelectableText(row.text, Fonts::sans(13), isWarning() ? Theme::ink : Theme::dim);
    layout->addWidget(m_text, 1, Qt::AlignTop);
}

void BrowserRowLine::setRow(const BrowserSetupRow& row) {
    if (row == m_row) {
        return;
    }
    const bool textChanged = row.text != m_row.text;
    m_row = row;
    if (textChanged) {
        m_text->setText(row.text);
    }
    m_text->setColor(isWarning() ? Theme::ink : Theme::dim);
    update();
}

bool BrowserRowLine::isWarning() const {
    return SetupSteps::isWarningKind(m_row.kind);
}

QString BrowserRowLine::iconName() const {
    return SetupSteps::rowIcon(m_row.kind);
}

ThemeColor BrowserRowLine::iconColor() const {
    return isWarning() ? Theme::warningInk : Theme::dim;
}

QRectF BrowserRowLine::iconRect() const {
    return QRectF((iconBox - iconSize) / 2, iconTop, iconSize, iconSize);
}

void BrowserRowLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Icons::paint(painter, iconName(), iconRect(), IconWeight::light, iconColor().on(this));
}

} // namespace fernholm
