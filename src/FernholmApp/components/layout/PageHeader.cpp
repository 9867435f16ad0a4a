#include "FernholmApp/components/layout/PageHeader.h"

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

// The trailing view keeps its size hint: a box layout short of room would otherwise take the
// shortfall from every item alike, the trailing control included, before the title shrinks.
class KeptItem final : public QWidgetItem {
public:
    using QWidgetItem::QWidgetItem;
    QSize minimumSize() const override { return isEmpty() ? QSize(0, 0) : sizeHint(); }
};

} // namespace

PageHeader::PageHeader(const QString& title, const std::optional<QString>& subtitle, QWidget* trailing, QWidget* parent)
    : QWidget(parent) {
    m_row = new QHBoxLayout(this);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(16);

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(6);
    texts->addStretch(1); // extra height goes above: the texts sit on the bottom edge
    m_title = Theme::title(title, this);
    m_title->setMaxLines(1);
    m_title->setMinimumScale(0.7);
    m_title->setHeading(true);
    texts->addWidget(m_title);
    m_subtitle = new TextLabel(QString(), Fonts::sans(14, 400), Theme::dim, this);
    texts->addWidget(m_subtitle);
    m_row->addLayout(texts, 1);

    setSubtitle(subtitle);
    setTrailing(trailing);
}

void PageHeader::setTitle(const QString& title) {
    m_title->setText(title);
}

void PageHeader::setSubtitle(const std::optional<QString>& subtitle) {
    m_subtitle->setText(subtitle.value_or(QString()));
    m_subtitle->setVisible(subtitle.has_value());
}

void PageHeader::setTrailing(QWidget* trailing) {
    if (trailing == m_trailing) {
        return;
    }
    delete m_trailing;
    m_trailing = trailing;
    if (trailing) {
        m_row->addWidget(trailing); // parents and shows it as layouts do
        const int index = m_row->indexOf(trailing);
        delete m_row->takeAt(index);
        auto* item = new KeptItem(trailing);
        item->setAlignment(Qt::AlignBottom);
        m_row->insertItem(index, item);
    }
}

} // namespace fernholm
