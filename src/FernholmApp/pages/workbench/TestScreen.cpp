#include "FernholmApp/pages/workbench/TestScreen.h"

#include "FernholmApp/components/activity/AnonymizedTextView.h"
#include "FernholmApp/components/layout/Card.h"
#include "FernholmApp/model/Clipboard.h"
#include "FernholmApp/model/WorkbenchSession.h"
#include "FernholmApp/components/layout/FlowLayout.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/controls/PillButtonStyle.h"
#include "FernholmApp/components/controls/PlainTextEditor.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/ScrollBar.h"
#include "FernholmApp/components/controls/Spinner.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/pages/workbench/CardHeaderLayout.h"
#include "FernholmApp/components/layout/CardPairLayout.h"
#include "FernholmApp/pages/workbench/WorkbenchChip.h"
#include "FernholmApp/pages/workbench/WorkbenchPill.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>
#include <cmath>

namespace fernholm {

namespace {

constexpr int cardGap = 16;
constexpr int promptEditorMinimum = 230;
constexpr int resultTextMinimum = 200;
constexpr int replyEditorMinimum = 80;
constexpr int replyEditorMaximum = 220;
constexpr int restoredTextHeight = 150;
constexpr int textViewInset = AnonymizedTextView::textInset;

// A card's caption: the text in capitals, sans 12/600, tracked.
TextLabel* cardLabel(const QString& text, const ThemeColor& color) {
    auto* label = new TextLabel(text.toUpper(), Fonts::tracked(Fonts::sans(12, 600), 0.72), color);
    label->setHeading(true);
    return label;
}

// `content` inset by the margins, in a widget of its own.
QWidget* padded(QWidget* content, int left, int top, int right, int bottom) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(left, top, right, bottom);
    layout->setSpacing(0);
    layout->addWidget(content);
    return box;
}

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

TestScreen::TestScreen(WorkbenchSession& workbench, std::shared_ptr<Clipboard> clipboard, QWidget* parent)
    : QWidget(parent), m_workbench(workbench), m_clipboard(clipboard ? std::move(clipboard) : Clipboard::system()) {
    m_page = new Page(Theme::sectionGap);
    column(this, 0)->addWidget(m_page);

    m_header = new PageHeader(
        fernholm::tr("Prompts"),
        fernholm::tr("Check a prompt before you paste it anywhere — even into a chat Tarvine does not cover."),
        buildStatus());
    m_page->addWidget(m_header);
    m_page->addWidget(buildCards());
    m_page->addWidget(buildChipsRow());
    m_replyCard = buildReplyCard();
    m_page->addWidget(m_replyCard);

    connect(m_promptEditor, &PlainTextEditor::textEdited, &m_workbench, &WorkbenchSession::setPromptText);
    connect(m_replyEditor, &PlainTextEditor::textEdited, &m_workbench, &WorkbenchSession::setReplyText);

    for (const auto signal : {&WorkbenchSession::promptTextChanged, &WorkbenchSession::promptChoicesChanged,
                              &WorkbenchSession::scanResultChanged, &WorkbenchSession::scanErrorChanged,
                              &WorkbenchSession::scanningChanged}) {
        connect(&m_workbench, signal, this, &TestScreen::showPrompt);
    }
    for (const auto signal : {&WorkbenchSession::replyTextChanged, &WorkbenchSession::replyResultChanged,
                              &WorkbenchSession::replyErrorChanged}) {
        connect(&m_workbench, signal, this, &TestScreen::showReply);
    }

    connect(m_copyPill, &QAbstractButton::clicked, this, [this] {
        if (const auto& result = m_workbench.scanResult()) {
            copy(result->afterText, promptTag);
        }
    });
    connect(m_resetPill, &QAbstractButton::clicked, &m_workbench, &WorkbenchSession::resetPromptChoices);
    connect(m_selectionPill, &QAbstractButton::clicked, this, &TestScreen::hideSelection);
    connect(m_copyReply, &QAbstractButton::clicked, this, [this] {
        if (const auto& result = m_workbench.replyResult()) {
            copy(result->text, replyTag);
        }
    });

    showPrompt();
    showReply();
}

TestScreen::~TestScreen() = default;

// --- Building ---

QWidget* TestScreen::buildStatus() {
    auto* status = new QWidget;
    auto* row = new QHBoxLayout(status);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_spinner = new Spinner(Spinner::Size::small, Theme::faint);
    m_spinner->setAccessibleName(fernholm::tr("Checking…"));
    m_latency = new TextLabel(QString(), Fonts::sans(13, 400), Theme::faint);
    m_latency->setMaxLines(1);
    row->addWidget(m_spinner, 0, Qt::AlignBottom);
    row->addWidget(m_latency, 0, Qt::AlignBottom);
    return status;
}

QWidget* TestScreen::buildCards() {
    m_cardsRow = new QWidget;
    auto* pair = new CardPairLayout(cardGap, m_cardsRow);
    m_promptCard = buildPromptCard();
    m_anonymizedCard = buildResultCard();
    pair->addWidget(m_promptCard);
    pair->addWidget(m_anonymizedCard);
    return m_cardsRow;
}

Surface* TestScreen::buildPromptCard() {
    Surface* card = cardSurface(Theme::cardRadius, Theme::surface);

    auto* header = new QWidget;
    // Its caption sits level with the result card's, whose line is 30 high below 14.
    auto* headerRow = new CardHeaderLayout(8, 26, header);
    headerRow->setContentsMargins(20, 16, 20, 0);
    headerRow->setLeading(cardLabel(fernholm::tr("Your prompt"), Theme::faint));
    m_foundCount = new TextLabel(QString(), Fonts::sans(12, 400), Theme::faint);
    m_foundCount->setMaxLines(1);
    headerRow->addTrailing(m_foundCount);

    m_promptEditor = new PlainTextEditor(Fonts::sans(15, 400), fernholm::tr("Paste or write what you want to ask…"));
    m_promptEditor->setMinimumHeight(promptEditorMinimum);
    m_promptEditor->setAccessibleName(fernholm::tr("Your prompt"));

    m_scanError = new TextLabel(QString(), Fonts::sans(12, 400), Theme::red);
    m_scanErrorRow = padded(m_scanError, 20, 0, 20, 14);

    card->body()->addWidget(header);
    card->body()->addWidget(padded(m_promptEditor, 15, 12, 15, 16), 1);
    card->body()->addWidget(m_scanErrorRow);
    return card;
}

Card* TestScreen::buildResultCard() {
    auto* card = new Card(CardStyle::feature, 0);

    auto* header = new QWidget;
    auto* headerRow = new CardHeaderLayout(8, 30, header);
    headerRow->setContentsMargins(20, 14, 20, 0);
    headerRow->setLeading(cardLabel(fernholm::tr("What the AI will see"), Theme::onFeatureDim));
    m_resetPill = new WorkbenchPill(WorkbenchPill::Look::dark, QStringLiteral("arrow.uturn.backward"),
                                    fernholm::tr("Reset changes"));
    m_copyPill = new WorkbenchPill(WorkbenchPill::Look::dark, QStringLiteral("doc.on.doc"), QString());
    headerRow->addTrailing(m_resetPill);
    headerRow->addTrailing(m_copyPill);

    m_resultText = new AnonymizedTextView(Fonts::sans(15, 400), /*dark=*/true);
    m_resultText->setInteractive(true);
    m_resultText->setFitsContent(false);
    m_resultText->setMaxLines(std::nullopt);
    m_resultText->setVerticalScrollBar(new ScrollBar(Qt::Vertical));
    m_resultText->setMinimumHeight(resultTextMinimum);
    m_resultText->setAccessibleName(fernholm::tr("What the AI will see"));
    m_resultText->setTooltip([this](const AnonymizedSegment& segment) {
        const auto& result = m_workbench.scanResult();
        return tooltip(segment,
                       result ? result->typeNames.value_or(QMap<QString, QString>()) : QMap<QString, QString>(),
                       m_workbench.promptChoices());
    });
    m_resultText->setOnActivate([this](const AnonymizedSegment& segment) { activate(segment); });
    m_resultText->setOnSelection([this](const std::optional<QString>& candidate) {
        // A report that arrives after the text went away says nothing about what is shown.
        m_promptSelection = m_workbench.scanResult() ? candidate : std::nullopt;
        showSelection();
    });
    m_resultText->setOnHide([this](const QString& value) { m_workbench.hideInPrompt(value); });
    // The text starts under the card's caption.
    m_resultArea = padded(m_resultText, 20 - textViewInset, 10, 20 - textViewInset, 0);

    m_emptyResult = new TextLabel(fernholm::tr("The anonymized prompt appears here as you type."), Fonts::sans(14, 400),
                                  Theme::onFeatureDim);
    m_emptyResult->setAlignment(Qt::AlignHCenter);
    m_emptyArea = new QWidget;
    m_emptyArea->setMinimumHeight(resultTextMinimum);
    auto* empty = new QVBoxLayout(m_emptyArea);
    empty->setContentsMargins(24, 0, 24, 0);
    empty->addStretch(1);
    empty->addWidget(m_emptyResult);
    empty->addStretch(1);

    auto* footer = new QWidget;
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(20, 8, 20, 16);
    footerRow->setSpacing(8);
    m_selectionPill = new WorkbenchPill(WorkbenchPill::Look::selection, QStringLiteral("eye.slash"), QString());
    m_hint =
        new TextLabel(fernholm::tr("Click a placeholder to show that value to the AI · select any text to hide it"),
                      Fonts::sans(12, 400), Theme::featureHint);
    footerRow->addWidget(m_selectionPill);
    footerRow->addWidget(m_hint, 1);
    footerRow->addStretch(0);

    card->body()->addWidget(header);
    card->body()->addWidget(m_resultArea, 1);
    card->body()->addWidget(m_emptyArea, 1);
    card->body()->addWidget(footer);
    return card;
}

QWidget* TestScreen::buildChipsRow() {
    m_chipsRow = new QWidget;
    m_chipFlow = new FlowLayout(6, m_chipsRow);
    return m_chipsRow;
}

Surface* TestScreen::buildReplyCard() {
    Surface* card = sandSurface(Theme::cardRadius);
    card->body()->setContentsMargins(22, 20, 22, 20);
    card->body()->setSpacing(12);

    // The title's first line and the copy button's title share a baseline.
    const QFont titleFont = Fonts::sans(15, 600);
    const QFont buttonFont = PillButtonStyle::font(PrimaryButton::Style::primary);
    const qreal buttonHeight = PillButtonStyle::look(PrimaryButton::Style::primary).height;
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF buttonMetrics(buttonFont);
    const int titleBaseline = int(std::lround(titleMetrics.ascent()));
    const int buttonBaseline = int(std::lround((buttonHeight - buttonMetrics.height()) / 2 + buttonMetrics.ascent()));

    m_replyTexts = new QWidget;
    auto* texts = column(m_replyTexts, 3);
    texts->setContentsMargins(0, std::max(0, buttonBaseline - titleBaseline), 0, 0);
    auto* title = new TextLabel(fernholm::tr("Restore the reply"), titleFont, Theme::ink);
    title->setHeading(true);
    texts->addWidget(title);
    texts->addWidget(new TextLabel(
        fernholm::tr("Paste the AI's answer: the hidden values come back in it, only here on your computer."),
        Fonts::sans(13, 400), Theme::dim));

    m_copyReply = new PrimaryButton(QString(), PrimaryButton::Style::primary);
    m_copyReply->setArrow(false);
    auto* buttonBox = new QWidget;
    auto* buttonColumn = column(buttonBox, 0);
    buttonColumn->setContentsMargins(0, std::max(0, titleBaseline - buttonBaseline), 0, 0);
    buttonColumn->addWidget(m_copyReply);
    buttonColumn->addStretch(1);

    auto* header = new QWidget;
    m_replyHeader = new QHBoxLayout(header);
    m_replyHeader->setContentsMargins(0, 0, 0, 0);
    m_replyHeader->setSpacing(16);
    m_replyHeader->addWidget(m_replyTexts, 1);
    m_replyHeader->addWidget(buttonBox, 0);

    m_replyEditor = new PlainTextEditor(Fonts::sans(14, 400), fernholm::tr("Paste the reply with [tokens] in it…"));
    m_replyEditor->setMinimumHeight(replyEditorMinimum);
    m_replyEditor->setMaximumHeight(replyEditorMaximum);
    m_replyEditor->setFitsContent(true);
    m_replyEditor->setAccessibleName(fernholm::tr("Restore the reply"));
    Surface* editorBox = new Surface(Surface::Look{Theme::bannerRadius, Theme::surface, std::nullopt, false});
    editorBox->body()->setContentsMargins(12, 10, 12, 10);
    editorBox->body()->addWidget(m_replyEditor);

    m_replyError = new TextLabel(QString(), Fonts::sans(12, 400), Theme::red);

    m_restoredText = new AnonymizedTextView(Fonts::sans(14, 400), /*dark=*/false);
    m_restoredText->setInteractive(false);
    m_restoredText->setFitsContent(false);
    m_restoredText->setMaxLines(std::nullopt);
    m_restoredText->setVerticalScrollBar(new ScrollBar(Qt::Vertical));
    m_restoredText->setFixedHeight(restoredTextHeight);
    m_restoredBox = new Surface(Surface::Look{Theme::bannerRadius, Theme::surface, std::nullopt, false});
    // Its text starts where the reply editor's does.
    m_restoredBox->body()->setContentsMargins(12 + PlainTextEditor::textInset - textViewInset, 10,
                                              12 + PlainTextEditor::textInset - textViewInset, 10);
    m_restoredBox->body()->addWidget(m_restoredText);

    m_restoredCount = new TextLabel(QString(), Fonts::sans(12, 400), Theme::dim);

    card->body()->addWidget(header);
    card->body()->addWidget(editorBox);
    card->body()->addWidget(m_replyError);
    card->body()->addWidget(m_restoredBox);
    card->body()->addWidget(m_restoredCount);
    return card;
}

// --- Showing the session ---

void TestScreen::showPrompt() {
    if (m_promptEditor->text() != m_workbench.promptText()) {
        const QSignalBlocker quiet(m_promptEditor);
        m_promptEditor->setText(m_workbench.promptText());
    }

    const std::optional<ScanResult>& result = m_workbench.scanResult();
    const WorkbenchChoices& choices = m_workbench.promptChoices();
    QList<AnonymizedSegment> segments;
    QList<WorkbenchItem> items;
    if (result) {
        segments = Workbench::segments(result->afterText, result->details, choices.kept);
        items = Workbench::items(segments, choices.kept, result->typeNames.value_or(QMap<QString, QString>()));
    }

    // Header: a check under way, else how long the shown one took.
    const std::optional<QString> latency = result ? latencyText(result->latencyMs) : std::nullopt;
    m_spinner->setVisible(m_workbench.scanning());
    m_latency->setText(latency.value_or(QString()));
    m_latency->setVisible(!m_workbench.scanning() && latency.has_value());

    // Prompt card.
    const auto found = std::count_if(items.begin(), items.end(), [](const WorkbenchItem& item) { return item.token; });
    m_foundCount->setText(L10n::plural(found, QStringLiteral("{n} value found"), QStringLiteral("{n} values found")));
    m_foundCount->setVisible(result.has_value());
    m_scanError->setText(m_workbench.scanError().value_or(QString()));
    m_scanErrorRow->setVisible(m_workbench.scanError().has_value());

    // Result card. The text view keeps its segments while hidden: a blank prompt removes the
    // result, and with it whatever was selected.
    m_resultText->setSegments(segments);
    m_resultArea->setVisible(result.has_value());
    m_emptyArea->setVisible(!result);
    if (!result) {
        m_promptSelection.reset();
    }
    // The reset pill keeps its place while the anonymized text is empty, but shows nothing there
    // and takes no click (a hidden widget gets no mouse events).
    const bool offerReset = result && !choices.isEmpty();
    QSizePolicy resetPolicy = m_resetPill->sizePolicy();
    resetPolicy.setRetainSizeWhenHidden(offerReset);
    m_resetPill->setSizePolicy(resetPolicy);
    m_resetPill->setVisible(offerReset && !result->afterText.isEmpty());

    showCopyControls();
    showSelection();
    showChips(items);
}

void TestScreen::showReply() {
    if (m_replyEditor->text() != m_workbench.replyText()) {
        const QSignalBlocker quiet(m_replyEditor);
        m_replyEditor->setText(m_workbench.replyText());
    }

    m_replyError->setText(m_workbench.replyError().value_or(QString()));
    m_replyError->setVisible(m_workbench.replyError().has_value());

    const std::optional<RestoreResult>& result = m_workbench.replyResult();
    if (result) {
        const auto [segments, count] = Workbench::restoredSegments(*result);
        m_restoredText->setSegments(segments);
        m_restoredCount->setText(
            count > 0 ? L10n::plural(count, QStringLiteral("{n} value put back"), QStringLiteral("{n} values put back"))
                      : fernholm::tr("No tokens from your prompt were found in this reply."));
    } else {
        m_restoredText->setSegments({});
        m_restoredCount->setText(QString());
    }
    m_restoredBox->setVisible(result.has_value());
    m_restoredCount->setVisible(result.has_value());
    showCopyControls();
}

void TestScreen::showCopyControls() {
    const bool hasResult = m_workbench.scanResult().has_value();
    const bool current = m_workbench.promptResultIsCurrent();
    m_copyPill->setTitle(copyTitle(m_copied, m_workbench.scanError().has_value(), current));
    m_copyPill->setEnabled(current);
    m_copyPill->setVisible(hasResult);

    m_copyReply->setTitle(m_copied == replyTag ? fernholm::tr("Copied ✓") : fernholm::tr("Copy restored reply"));
    m_copyReply->setVisible(m_workbench.replyResult().has_value());
}

void TestScreen::showSelection() {
    if (m_promptSelection) {
        m_selectionPill->setTitle(fernholm::tr("Hide “{value}”", {{"value", *m_promptSelection}}));
    }
    m_selectionPill->setVisible(m_promptSelection.has_value());
    m_hint->setVisible(!m_promptSelection);
}

void TestScreen::showChips(const QList<WorkbenchItem>& items) {
    const WorkbenchChoices& choices = m_workbench.promptChoices();
    QHash<QString, WorkbenchChip*> kept;
    QList<WorkbenchChip*> order;
    for (const WorkbenchItem& item : items) {
        const QString id = item.id();
        if (kept.contains(id)) {
            continue;
        }
        WorkbenchChip* chip = m_chips.take(id);
        if (chip) {
            chip->setItem(item, choices.isHiddenByUser(item.value));
        } else {
            chip = new WorkbenchChip(item, choices.isHiddenByUser(item.value), m_chipsRow);
            connect(chip, &QAbstractButton::clicked, this, [this, chip] {
                const WorkbenchItem& clicked = chip->item();
                if (clicked.token) {
                    m_workbench.restoreInPrompt(clicked.value);
                } else {
                    m_workbench.hideInPrompt(clicked.value);
                }
            });
        }
        kept.insert(id, chip);
        order.append(chip);
    }
    // Chips whose item went: their click may be the one being handled, so they go later.
    for (WorkbenchChip* gone : std::as_const(m_chips)) {
        gone->hide();
        m_chipFlow->removeWidget(gone);
        gone->deleteLater();
    }
    m_chips = kept;

    if (order != m_chipOrder) {
        while (QLayoutItem* item = m_chipFlow->takeAt(0)) {
            delete item;
        }
        for (WorkbenchChip* chip : order) {
            m_chipFlow->addWidget(chip);
            chip->show();
        }
        m_chipOrder = order;
    }
    m_chipsRow->setVisible(!order.isEmpty());
}

// --- Actions ---

void TestScreen::activate(const AnonymizedSegment& segment) {
    switch (segment.kind) {
    case AnonymizedSegment::Kind::token:
        m_workbench.restoreInPrompt(segment.value);
        break;
    case AnonymizedSegment::Kind::restored:
        m_workbench.hideInPrompt(segment.text);
        break;
    case AnonymizedSegment::Kind::plain:
        break;
    }
}

void TestScreen::hideSelection() {
    if (!m_promptSelection) {
        return;
    }
    const QString value = *m_promptSelection;
    m_workbench.hideInPrompt(value);
    m_promptSelection.reset();
    showSelection();
}

void TestScreen::copy(const QString& text, const QString& tag) {
    m_clipboard->copyPlainText(text);
    m_copied = tag;
    showCopyControls();
    QTimer::singleShot(m_copyFeedback, this, [this, tag] {
        if (m_copied == tag) {
            m_copied.reset();
            showCopyControls();
        }
    });
}

// --- Texts ---

QString TestScreen::copyTitle(const std::optional<QString>& copied, bool hasScanError, bool resultIsCurrent) {
    if (copied == promptTag) {
        return fernholm::tr("Copied ✓");
    }
    if (hasScanError || resultIsCurrent) {
        return fernholm::tr("Copy anonymized");
    }
    return fernholm::tr("Updating…");
}

std::optional<QString> TestScreen::tooltip(const AnonymizedSegment& segment, const QMap<QString, QString>& typeNames,
                                           const WorkbenchChoices& choices) {
    switch (segment.kind) {
    case AnonymizedSegment::Kind::plain:
        return std::nullopt;
    case AnonymizedSegment::Kind::restored:
        return fernholm::tr("Shown to the AI — click to hide it again");
    case AnonymizedSegment::Kind::token:
        break;
    }
    QString name;
    if (choices.isHiddenByUser(segment.value)) {
        name = fernholm::tr("hidden by you");
    } else if (const auto display = typeNames.constFind(segment.type); display != typeNames.constEnd()) {
        name = L10n::typeName(*display);
    } else {
        name = segment.type;
    }
    return fernholm::tr("{value} · {name} — click to show it", {{"value", segment.value}, {"name", name}});
}

std::optional<QString> TestScreen::latencyText(std::optional<double> latencyMs) {
    if (!latencyMs || !std::isfinite(*latencyMs)) {
        return std::nullopt;
    }
    const double rounded = std::round(*latencyMs); // halves away from zero
    if (rounded < double(INT_MIN) || rounded > double(INT_MAX)) {
        return std::nullopt;
    }
    return fernholm::tr("Checked on this computer in {ms} ms", {{"ms", int(rounded)}});
}

} // namespace fernholm
