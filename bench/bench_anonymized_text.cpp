#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/components/activity/AnonymizedTextView.h"
#include "FernholmApp/theme/Fonts.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

using namespace fernholm;

namespace {

// A checked text of 5,000 characters in 300 segments: plain runs, placeholders and restored
// values in turn. `variant` changes the last run, so that every switch is a rebuild.
QList<AnonymizedSegment> checkedText(int variant) {
    QList<AnonymizedSegment> segments;
    qsizetype length = 0;
    for (int i = 0; i < 100; ++i) {
        const QList<AnonymizedSegment> three{
            AnonymizedSegment::plain(QStringLiteral(" please send the notes to %1 ").arg(i)),
            AnonymizedSegment::token(QStringLiteral("[PERSON_%1]").arg(i), QStringLiteral("Anna Kowal"),
                                     QStringLiteral("PERSON")),
            AnonymizedSegment::restored(QStringLiteral("Warszawa %1").arg(i))};
        for (const AnonymizedSegment& segment : three) {
            segments.append(segment);
            length += segment.text.size();
        }
    }
    // Words in front up to 4,999 characters; the variant's mark at the end makes 5,000.
    QString& opening = segments.first().text;
    while (length < 4999) {
        const QString word = QStringLiteral("word ").left(4999 - length);
        opening.prepend(word);
        length += word.size();
    }
    segments.last().text.append(variant % 2 ? u'.' : u'!');
    return segments;
}

} // namespace

// Building the document of a new text and laying it out at a fixed width: what a page pays when
// the checked text changes.
static void BM_BuildAndLayout(benchmark::State& state) {
    AnonymizedTextView view(Fonts::sans(15));
    view.resize(600, 400);
    view.show();
    const QList<AnonymizedSegment> texts[2] = {checkedText(0), checkedText(1)};
    int i = 0;
    for (auto _ : state) {
        view.setSegments(texts[i++ % 2]);
        benchmark::DoNotOptimize(view.document()->documentLayout()->documentSize());
    }
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_BuildAndLayout)->Unit(benchmark::kMillisecond);

// The same for a view that fits its text: the rebuild plus the fitted height at a fixed width.
static void BM_BuildAndFit(benchmark::State& state) {
    AnonymizedTextView view(Fonts::sans(15));
    view.setFitsContent(true);
    view.resize(600, 400);
    view.show();
    const QList<AnonymizedSegment> texts[2] = {checkedText(0), checkedText(1)};
    int i = 0;
    for (auto _ : state) {
        view.setSegments(texts[i++ % 2]);
        benchmark::DoNotOptimize(view.heightForWidth(600));
    }
}
BENCHMARK(BM_BuildAndFit)->Unit(benchmark::kMillisecond);

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
