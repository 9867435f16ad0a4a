#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/components/layout/Card.h"
#include "FernholmApp/components/layout/FlowLayout.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/text/StatusPill.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace fernholm;

namespace {

// A page as the status screens build it: 12 sections, each a card with a title, a wrapping
// paragraph and a flow of chips, then a list card whose rows reach its rounded edge.
struct StatusPage {
    Page page;
    QList<TextLabel*> paragraphs;

    StatusPage() {
        for (int s = 0; s < 12; ++s) {
            auto* card = new Card;
            card->body()->setSpacing(10);
            card->body()->addWidget(Theme::sectionTitle(QStringLiteral("Section %1").arg(s + 1)));
            paragraphs << new TextLabel(QStringLiteral("Pasted text stays on this computer; only placeholders reach "
                                                       "the chat, and the real values come back in the reply."),
                                        Fonts::sans(14), Theme::dim);
            card->body()->addWidget(paragraphs.last());
            auto* chips = new FlowLayout(8);
            for (int c = 0; c < 8; ++c) {
                chips->addWidget(new TokenChip(QStringLiteral("[PERSON_%1]").arg(c + 1), 11));
            }
            card->body()->addLayout(chips);
            page.addWidget(card);

            auto* list = new Card(CardStyle::surface, 0);
            for (int r = 0; r < 5; ++r) {
                if (r > 0) {
                    list->body()->addWidget(new RowDivider);
                }
                auto* row = new QWidget;
                auto* layout = new QHBoxLayout(row);
                layout->setContentsMargins(20, 14, 20, 14);
                layout->addWidget(new TextLabel(QStringLiteral("Request %1").arg(r + 1), Fonts::sans(14), Theme::ink),
                                  1);
                layout->addWidget(new StatusPill(PillKind::redacted));
                list->body()->addWidget(row);
            }
            page.addWidget(list);
        }
        page.resize(1000, 800);
        page.show();
        QCoreApplication::processEvents();
    }

    // Delivers the layout requests (and the resizes they cause), not the repaints: painting is
    // measured on its own.
    static void settle() {
        for (int i = 0; i < 4; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
    }
};

// One poll changes one text on a page that stays built: the column relayouts in place.
void BM_PageUpdateOneText(benchmark::State& state) {
    StatusPage status;
    const QString shorter = QStringLiteral("Nothing was hidden in the last minute.");
    const QString longer = status.paragraphs.first()->text();
    bool flip = false;
    for (auto _ : state) {
        status.paragraphs.at(5)->setText(flip ? longer : shorter);
        StatusPage::settle();
        flip = !flip;
    }
}
BENCHMARK(BM_PageUpdateOneText)->Unit(benchmark::kMicrosecond);

// Resizing the window reflows every section (wrapping text, flowing chips).
void BM_PageReflow(benchmark::State& state) {
    StatusPage status;
    bool narrow = false;
    for (auto _ : state) {
        status.page.resize(narrow ? 700 : 1000, 800);
        StatusPage::settle();
        narrow = !narrow;
    }
}
BENCHMARK(BM_PageReflow)->Unit(benchmark::kMicrosecond);

// Painting the visible part of the page, corner covers of the flush list cards included.
void BM_PagePaint(benchmark::State& state) {
    StatusPage status;
    QImage image(status.page.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        status.page.render(&painter);
    }
}
BENCHMARK(BM_PagePaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    BrandFonts::setResourceRoots(QStringList{QStringLiteral(FERNHOLM_RESOURCES)});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
