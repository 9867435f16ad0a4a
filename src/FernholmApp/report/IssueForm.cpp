#include "FernholmApp/report/IssueForm.h"

#include "FernholmApp/components/alerts/Banner.h"
#include "FernholmApp/components/layout/Card.h"
#include "FernholmApp/components/controls/CheckBox.h"
#include "FernholmApp/components/controls/Disclosure.h"
#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/controls/PlainTextEditor.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/controls/ScrollBar.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/controls/Spinner.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

constexpr int sheetWidth = 640;
constexpr int sheetHeight = 760;

// A symbol alone, of a fixed size, in a theme colour.
class Symbol : public QWidget {
public:
    Symbol(const QString& name, qreal size, const ThemeColor& color, QWidget* parent = nullptr)
        : QWidget(parent), m_name(name), m_size(size), m_color(color) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QSize sizeHint() const override {
        const int side = int(std::ceil(m_size));
        return QSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Icons::paint(painter, m_name, QRectF(rect()), IconWeight::regular, m_color.on(this));
    }

private:
    QString m_name;
    qreal m_size;
    ThemeColor m_color;
};

// The round close button of the sheet's header: "xmark" on a sand circle.
class RoundCloseButton : public QAbstractButton {
public:
    explicit RoundCloseButton(QWidget* parent = nullptr) : QAbstractButton(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(fernholm::tr("Close"));
    }
    QSize sizeHint() const override { return QSize(36, 36); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal opacity = !isEnabled() ? 0.4 : isDown() ? 0.75 : 1.0;
        Paint::layer(painter, QRectF(rect()), opacity, [this](QPainter& p) {
            const QRectF circle(rect());
            Paint::fill(p, Paint::capsule(circle), Theme::muted.on(this));
            const QRectF mark(circle.center() - QPointF(6.5, 6.5), QSizeF(13, 13));
            Icons::paint(p, QStringLiteral("xmark"), mark, IconWeight::regular, Theme::ink.on(this));
            if (FocusRing::visible(this)) {
                FocusRing::paint(p, circle, circle.height() / 2, Theme::ink.on(this));
            }
        });
    }
    bool hitButton(const QPoint& pos) const override {
        return Paint::capsule(QRectF(rect())).contains(QPointF(pos) + QPointF(0.5, 0.5));
    }
};

// The green tick of the thank-you state.
class SentMark : public QWidget {
public:
    explicit SentMark(QWidget* parent = nullptr) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return QSize(40, 40); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF circle(rect());
        Paint::fill(painter, Paint::capsule(circle), Theme::switchOn.on(this));
        Icons::paint(painter, QStringLiteral("checkmark"), QRectF(circle.center() - QPointF(9, 9), QSizeF(18, 18)),
                     IconWeight::medium, Qt::white);
    }
};

// A caption: one of the form's labels in sans 13/600.
TextLabel* caption(const QString& text) {
    return new TextLabel(text, Fonts::sans(13, 600), Theme::ink);
}

QWidget* column(int spacing, std::initializer_list<QWidget*> parts) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* part : parts) {
        layout->addWidget(part);
    }
    return widget;
}

bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

} // namespace

// --- IssueAttachmentRow ---

IssueAttachmentRow::IssueAttachmentRow(const IssueAttachmentItem& item, QWidget* parent)
    : QWidget(parent), m_item(item) {
    m_checkBox = new CheckBox(item.title);
    m_checkBox->setChecked(true);
    m_title = new TextLabel(item.title, Fonts::sans(13, 500), Theme::ink);
    m_detail = new SelectableText(item.detail, Fonts::mono(11), Theme::dim);
    m_detail->setVisible(!item.detail.isEmpty());

    auto* texts = new QWidget;
    auto* textColumn = new QVBoxLayout(texts);
    textColumn->setContentsMargins(0, 0, 0, 0);
    textColumn->setSpacing(3);
    textColumn->addWidget(m_title);
    if (item.collapsible) {
        // A long list scrolls inside a bounded box once opened.
        m_detail->setVerticalScrollBar(new ScrollBar(Qt::Vertical));
        m_detail->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_detail->setMaximumHeight(detailMaxHeight);
        m_disclosure = new Disclosure(fernholm::tr("Show exactly what is sent"), Fonts::sans(12), Theme::dim);
        m_disclosure->setContent(m_detail);
        textColumn->addWidget(m_disclosure);
    } else {
        textColumn->addWidget(m_detail);
    }

    // The box sits level with the title's first line.
    const int titleLine = int(std::ceil(Text::lineHeight(m_title->font())));
    const int boxHeight = m_checkBox->sizeHint().height();
    auto* boxColumn = new QVBoxLayout;
    boxColumn->setContentsMargins(0, std::max(0, (titleLine - boxHeight) / 2), 0, 0);
    boxColumn->addWidget(m_checkBox);
    boxColumn->addStretch(1);
    textColumn->setContentsMargins(0, std::max(0, (boxHeight - titleLine) / 2), 0, 0);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 11, 16, 11);
    layout->setSpacing(10);
    layout->addLayout(boxColumn);
    layout->addWidget(texts, 1);

    connect(m_checkBox, &QAbstractButton::clicked, this, [this](bool on) {
        recolor();
        Q_EMIT includeToggled(m_item.key, on);
    });
}

bool IssueAttachmentRow::isIncluded() const {
    return m_checkBox->isChecked();
}

void IssueAttachmentRow::setIncluded(bool included) {
    if (included == m_checkBox->isChecked()) {
        return;
    }
    m_checkBox->setChecked(included);
    recolor();
}

qreal IssueAttachmentRow::textOpacity() const {
    return isIncluded() ? 1.0 : fadedOpacity;
}

void IssueAttachmentRow::recolor() {
    const qreal opacity = textOpacity();
    m_title->setColor(Theme::ink.opacity(opacity));
    m_detail->setColor(Theme::dim.opacity(opacity));
    if (m_disclosure) {
        m_disclosure->setColor(Theme::dim.opacity(opacity));
    }
}

// --- IssueFormView ---

IssueFormView::IssueFormView(std::shared_ptr<IssueFormModel> form, std::function<void()> onClose, QWidget* parent)
    : QDialog(parent), m_form(std::move(form)), m_onClose(std::move(onClose)) {
    setWindowTitle(fernholm::tr("Report a problem"));
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(false);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    setFixedSize(sheetSize(screen ? screen->availableGeometry() : QRect()));

    m_pages = new QStackedWidget;
    m_formPage = buildForm();
    m_sentPage = buildSentView();
    m_pages->addWidget(m_formPage);
    m_pages->addWidget(m_sentPage);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(m_pages);

    IssueFormModel* model = m_form.get();
    connect(model, &IssueFormModel::categoryChanged, this, &IssueFormView::showCategory);
    connect(model, &IssueFormModel::descriptionChanged, this, [this] {
        m_editor->setText(m_form->description());
        showPreview();
    });
    connect(model, &IssueFormModel::previewChanged, this, &IssueFormView::showPreview);
    connect(model, &IssueFormModel::previewErrorChanged, this, &IssueFormView::showPreview);
    connect(model, &IssueFormModel::previewingChanged, this, &IssueFormView::showPreview);
    connect(model, &IssueFormModel::previewErrorChanged, this, &IssueFormView::showSendEnabled);
    connect(model, &IssueFormModel::draftChanged, this, &IssueFormView::showDraft);
    connect(model, &IssueFormModel::draftErrorChanged, this, &IssueFormView::showDraft);
    connect(model, &IssueFormModel::includeChanged, this, &IssueFormView::showIncluded);
    connect(model, &IssueFormModel::phaseChanged, this, &IssueFormView::showPhase);
    connect(model, &IssueFormModel::sendErrorChanged, this, &IssueFormView::showSendError);
    connect(model, &IssueFormModel::canSendChanged, this, &IssueFormView::showSendEnabled);

    m_editor->setText(m_form->description());
    showCategory();
    showPreview();
    showDraft();
    showPhase();
    showSendError();
}

IssueFormView::~IssueFormView() {
    m_loadCancel.cancel();
}

QSize IssueFormView::sheetSize(const QRect& available) {
    if (!available.isValid()) {
        return QSize(sheetWidth, sheetHeight);
    }
    return QSize(std::min(sheetWidth, available.width()), std::min(sheetHeight, available.height()));
}

bool IssueFormView::canClose() const {
    return m_form->phase() != IssueFormModel::Phase::sending;
}

void IssueFormView::reject() {
    dismiss();
}

void IssueFormView::dismiss() {
    if (!canClose() || m_closing) {
        return;
    }
    m_closing = true;
    m_loadCancel.cancel();
    QDialog::done(QDialog::Rejected);
    // The owner may let go of the view from here: nothing of it is touched afterwards.
    if (m_onClose) {
        const std::function<void()> onClose = m_onClose;
        onClose();
    }
}

void IssueFormView::sendReport() {
    if (!m_form->canSend() || m_form->previewError()) {
        return;
    }
    m_form->send();
}

std::optional<Backdrop::Layer> IssueFormView::backdropLayer() const {
    QPainterPath shape;
    shape.addRect(QRectF(rect()));
    return Layer{shape, Theme::panel.on(this)};
}

IssueAttachmentRow* IssueFormView::attachmentRow(const QString& key) const {
    for (IssueAttachmentRow* row : m_rows) {
        if (row->item().key == key) {
            return row;
        }
    }
    return nullptr;
}

void IssueFormView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* shown = screen()) {
        setFixedSize(sheetSize(shown->availableGeometry()));
    }
    if (!m_loadStarted) {
        m_loadStarted = true;
        m_loadCancel = CancelToken::create();
        m_form->load(m_loadCancel);
        if (m_pages->currentWidget() == m_formPage) {
            m_editor->setFocus(Qt::OtherFocusReason);
        }
    }
}

void IssueFormView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::panel.on(this));
}

// --- Building ---

QWidget* IssueFormView::buildForm() {
    m_page = new Page(20);
    m_page->column()->setContentsMargins(32, 28, 32, 12);
    m_page->addWidget(buildHeader());
    m_page->addWidget(buildCategoryPicker());
    m_page->addWidget(buildDescriptionField());
    m_page->addWidget(buildPreviewBlock());
    m_page->addWidget(buildAttachments());
    m_sendError = new Banner(BannerKind::error, std::nullopt, QString());
    m_page->addWidget(m_sendError);

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_page, 1);
    layout->addWidget(buildButtons());
    return page;
}

QWidget* IssueFormView::buildHeader() {
    auto* title =
        new TextLabel(fernholm::tr("Report a problem"), Fonts::tracked(Fonts::display(30), -1.05), Theme::ink);
    title->setHeading(true);
    m_closeButton = new RoundCloseButton;
    connect(m_closeButton, &QAbstractButton::clicked, this, &IssueFormView::dismiss);

    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(title, 1, Qt::AlignVCenter);
    row->addWidget(m_closeButton, 0, Qt::AlignVCenter);
    return header;
}

QWidget* IssueFormView::buildCategoryPicker() {
    QList<SegmentedControl::Option> options;
    for (const QString& key : issueCategories) {
        options.append({QVariant(key), issueCategoryName(key)});
    }
    m_categoryPicker = new SegmentedControl(options, 32, 13, Theme::muted);
    connect(m_categoryPicker, &SegmentedControl::activated, this,
            [this](const QVariant& value) { m_form->setCategory(value.toString()); });

    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(caption(fernholm::tr("What happened?")));
    layout->addWidget(m_categoryPicker, 0, Qt::AlignLeading);
    return section;
}

QWidget* IssueFormView::buildDescriptionField() {
    m_editor = new PlainTextEditor(Fonts::sans(14));
    m_editor->setMinimumHeight(100);
    m_editor->setMaximumHeight(240);
    m_editor->setFitsContent(true);
    m_editor->setAccessibleName(fernholm::tr("Describe the problem"));
    connect(m_editor, &PlainTextEditor::textEdited, this,
            [this](const QString& text) { m_form->setDescription(text); });

    auto* box = new Surface(Surface::Look{Theme::bannerRadius, Theme::surface, Theme::fieldEdge, false});
    box->body()->setContentsMargins(12, 10, 12, 10);
    box->body()->addWidget(m_editor);

    auto* hint = new TextLabel(
        fernholm::tr(
            "Don't paste personal data here. The text is checked on this computer first and goes out with personal data replaced by tokens."),
        Fonts::sans(12), Theme::faint);
    return column(8, {caption(fernholm::tr("Describe the problem")), box, hint});
}

QWidget* IssueFormView::buildPreviewBlock() {
    auto* block = new Card(CardStyle::feature, 0);
    block->setLook(Surface::Look{16, Theme::feature, std::nullopt, false});
    block->body()->setContentsMargins(16, 14, 16, 14);
    block->body()->setSpacing(6);

    m_previewHeading = new TextLabel(fernholm::tr("The description as it will be sent").toUpper(),
                                     Fonts::tracked(Fonts::sans(11, 600), 0.66), Theme::onFeatureDim);
    m_previewHeading->setHeading(true);
    m_previewSpinner = new Spinner(Spinner::Size::smallest, Theme::onFeatureDim);
    auto* heading = new QWidget;
    auto* headingRow = new QHBoxLayout(heading);
    headingRow->setContentsMargins(0, 0, 0, 0);
    headingRow->setSpacing(8);
    headingRow->addWidget(m_previewHeading, 0, Qt::AlignVCenter);
    headingRow->addWidget(m_previewSpinner, 0, Qt::AlignVCenter);
    headingRow->addStretch(1);

    m_previewError = new TextLabel(QString(), Fonts::sans(13), Theme::critical);
    m_previewText = new SelectableText(QString(), Fonts::mono(12), Theme::tokenChip);
    m_previewText->setLineSpacing(3);

    block->body()->addWidget(heading);
    block->body()->addWidget(m_previewError);
    block->body()->addWidget(m_previewText);
    m_previewBlock = block;
    return block;
}

QWidget* IssueFormView::buildAttachments() {
    m_draftError = new TextLabel(QString(), Fonts::sans(12), Theme::red);
    m_draftSpinner = new Spinner(Spinner::Size::small, Theme::faint);
    m_attachmentList = cardSurface(16, Theme::surface);

    // The lock sits level with the first line of the note, which may wrap in a longer language.
    auto* note =
        new TextLabel(fernholm::tr("Never sent: the detail log, the original or redacted text, files, vaults."),
                      Fonts::sans(12), Theme::faint);
    auto* lock = new Symbol(QStringLiteral("lock"), 11, Theme::faint);
    auto* lockColumn = new QVBoxLayout;
    lockColumn->setContentsMargins(0, int(std::lround((Text::lineHeight(note->font()) - 11) / 2)), 0, 0);
    lockColumn->addWidget(lock);
    lockColumn->addStretch(1);
    auto* footer = new QWidget;
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(0, 0, 0, 0);
    footerRow->setSpacing(6);
    footerRow->addLayout(lockColumn);
    footerRow->addWidget(note, 1);

    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(caption(fernholm::tr("Sent with it (untick anything you'd rather not send)")));
    layout->addWidget(m_draftError);
    layout->addWidget(m_draftSpinner, 0, Qt::AlignLeading);
    layout->addWidget(m_attachmentList);
    layout->addWidget(footer);
    return section;
}

QWidget* IssueFormView::buildButtons() {
    m_sendingSpinner = new Spinner(Spinner::Size::small, Theme::faint);
    m_cancelButton = new PrimaryButton(fernholm::tr("Cancel"), PrimaryButton::Style::secondary);
    m_cancelButton->setArrow(false);
    m_sendButton = new PrimaryButton(fernholm::tr("Send report"), PrimaryButton::Style::primary);
    m_sendButton->setArrow(false);
    connect(m_cancelButton, &QAbstractButton::clicked, this, &IssueFormView::dismiss);
    connect(m_sendButton, &QAbstractButton::clicked, this, &IssueFormView::sendReport);

    m_buttonRow = new QWidget;
    auto* row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(32, 20, 32, 20);
    row->setSpacing(10);
    row->addWidget(m_sendingSpinner, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_cancelButton, 0, Qt::AlignVCenter);
    row->addWidget(m_sendButton, 0, Qt::AlignVCenter);
    return m_buttonRow;
}

QWidget* IssueFormView::buildSentView() {
    auto* title = new TextLabel(fernholm::tr("Thanks — report sent"), Fonts::display(24), Theme::ink);
    title->setAlignment(Qt::AlignHCenter);
    title->setHeading(true);
    m_sentCloseButton = new PrimaryButton(fernholm::tr("Close"), PrimaryButton::Style::secondary);
    m_sentCloseButton->setArrow(false);
    connect(m_sentCloseButton, &QAbstractButton::clicked, this, &IssueFormView::dismiss);

    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(32, 0, 32, 0);
    layout->setSpacing(14);
    layout->addStretch(1);
    layout->addWidget(new SentMark, 0, Qt::AlignHCenter);
    layout->addWidget(title);
    layout->addWidget(m_sentCloseButton, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return view;
}

// --- Showing the form's state ---

void IssueFormView::showCategory() {
    m_categoryPicker->setSelection(QVariant(m_form->category()));
}

void IssueFormView::showPreview() {
    m_previewBlock->setVisible(!isBlank(m_form->description()));
    m_previewSpinner->setVisible(m_form->previewing());
    // The last preview or its error stays until the next one arrives.
    const auto& error = m_form->previewError();
    const auto& preview = m_form->preview();
    m_previewError->setText(error.value_or(QString()));
    m_previewError->setVisible(error.has_value());
    m_previewText->setText(preview.value_or(QString()));
    m_previewText->setVisible(!error && preview);
}

void IssueFormView::showDraft() {
    const auto& error = m_form->draftError();
    m_draftError->setText(error.value_or(QString()));
    m_draftError->setVisible(error.has_value());
    m_draftSpinner->setVisible(!error && !m_form->draft());

    const QList<IssueAttachmentItem> items = m_form->items();
    QList<IssueAttachmentItem> shown;
    for (const IssueAttachmentRow* row : std::as_const(m_rows)) {
        shown.append(row->item());
    }
    if (items != shown) {
        // The draft arrives once; its rows are made then.
        QVBoxLayout* body = m_attachmentList->body();
        while (QLayoutItem* child = body->takeAt(0)) {
            delete child->widget();
            delete child;
        }
        m_rows.clear();
        for (const IssueAttachmentItem& item : items) {
            if (!m_rows.isEmpty()) {
                body->addWidget(new RowDivider);
            }
            auto* row = new IssueAttachmentRow(item);
            connect(row, &IssueAttachmentRow::includeToggled, this,
                    [this](const QString& key, bool on) { m_form->setIncluded(key, on); });
            body->addWidget(row);
            m_rows.append(row);
        }
        showIncluded();
    }
    m_attachmentList->setVisible(!m_rows.isEmpty());
    showSendEnabled();
}

void IssueFormView::showIncluded() {
    for (IssueAttachmentRow* row : std::as_const(m_rows)) {
        row->setIncluded(m_form->isIncluded(row->item().key));
    }
}

void IssueFormView::showPhase() {
    const auto phase = m_form->phase();
    const bool sending = phase == IssueFormModel::Phase::sending;
    if (phase == IssueFormModel::Phase::sent) {
        m_pages->setCurrentWidget(m_sentPage);
        m_sentCloseButton->setFocus(Qt::OtherFocusReason);
    } else {
        m_pages->setCurrentWidget(m_formPage);
    }
    m_closeButton->setEnabled(!sending);
    m_cancelButton->setEnabled(!sending);
    m_sendingSpinner->setVisible(sending);
    m_sendButton->setTitle(sending ? fernholm::tr("Sending…") : fernholm::tr("Send report"));
    showSendEnabled();
}

void IssueFormView::showSendError() {
    const auto& error = m_form->sendError();
    m_sendError->setMessage(error.value_or(QString()));
    m_sendError->setVisible(error.has_value());
    if (error) {
        // Bring the message into view: it stands at the end of the form.
        QMetaObject::invokeMethod(
            this, [this] { m_page->ensureWidgetVisible(m_sendError, 0, 0); }, Qt::QueuedConnection);
    }
}

void IssueFormView::showSendEnabled() {
    m_sendButton->setEnabled(m_form->canSend() && !m_form->previewError());
}

} // namespace fernholm
