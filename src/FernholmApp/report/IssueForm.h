#pragma once

#include "FernholmApp/components/layout/Backdrop.h"
#include "FernholmKit/control/CancelToken.h"
#include "FernholmKit/presentation/IssueReport.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

#include <functional>
#include <memory>

class QAbstractButton;
class QStackedWidget;

namespace fernholm {

class Banner;
class CheckBox;
class Disclosure;
class IssueAttachmentRow;
class Page;
class PlainTextEditor;
class PrimaryButton;
class SegmentedControl;
class SelectableText;
class Spinner;
class Surface;
class TextLabel;

// The problem-report sheet: a window-modal dialog over the main window in which the user picks a
// category, describes the problem, sees the description as it will be sent, unticks attachments
// and sends the report; then a short thank-you.
//
//     auto form = IssueFormModel::create(model->client(), request.row, request.category);
//     auto* sheet = new IssueFormView(form, [=] { model->clearIssueRequest(); }, mainWindow);
//     sheet->show();
//
// `form` must not be null. The view reads only its form and writes only the form's category,
// description and attachment switches; it updates in place on the form's change signals. When
// first shown it fetches the draft, once; the fetch is cancelled when the view closes or goes. A
// preview or a send under way is not: the form holds itself until they end.
//
// `onClose` is called when the user closes the sheet: its close button, Cancel, Close in the
// thank-you state, Escape or the window's own close button. Nothing closes it while the report is
// being sent. The view hides itself before calling `onClose`; the owner deletes it then, with
// deleteLater() (never directly from inside the callback).
//
// 640 x 760, less tall on a screen with less room: the form scrolls, the button row stays put.
class IssueFormView : public QDialog, public Backdrop {
    Q_OBJECT
public:
    IssueFormView(std::shared_ptr<IssueFormModel> form, std::function<void()> onClose, QWidget* parent = nullptr);
    ~IssueFormView() override;

    const std::shared_ptr<IssueFormModel>& form() const { return m_form; }

    // The sheet's size on a screen whose free area is `available`.
    static QSize sheetSize(const QRect& available);

    // Whether the user may close the sheet now (not while sending).
    bool canClose() const;

    // Escape and the window's close button end up here.
    void reject() override;

    std::optional<Layer> backdropLayer() const override;

    // The parts, for the main window's tests and these.
    QWidget* formPage() const { return m_formPage; }
    QWidget* sentPage() const { return m_sentPage; }
    Page* scrollArea() const { return m_page; }
    QAbstractButton* closeButton() const { return m_closeButton; }
    SegmentedControl* categoryPicker() const { return m_categoryPicker; }
    PlainTextEditor* descriptionEditor() const { return m_editor; }
    QWidget* previewBlock() const { return m_previewBlock; }
    TextLabel* previewHeading() const { return m_previewHeading; }
    Spinner* previewSpinner() const { return m_previewSpinner; }
    TextLabel* previewErrorLabel() const { return m_previewError; }
    SelectableText* previewText() const { return m_previewText; }
    Spinner* draftSpinner() const { return m_draftSpinner; }
    TextLabel* draftErrorLabel() const { return m_draftError; }
    Surface* attachmentList() const { return m_attachmentList; }
    QList<IssueAttachmentRow*> attachmentRows() const { return m_rows; }
    IssueAttachmentRow* attachmentRow(const QString& key) const;
    Banner* sendErrorBanner() const { return m_sendError; }
    QWidget* buttonRow() const { return m_buttonRow; }
    Spinner* sendingSpinner() const { return m_sendingSpinner; }
    PrimaryButton* cancelButton() const { return m_cancelButton; }
    PrimaryButton* sendButton() const { return m_sendButton; }
    PrimaryButton* sentCloseButton() const { return m_sentCloseButton; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildForm();
    QWidget* buildHeader();
    QWidget* buildCategoryPicker();
    QWidget* buildDescriptionField();
    QWidget* buildPreviewBlock();
    QWidget* buildAttachments();
    QWidget* buildButtons();
    QWidget* buildSentView();

    void showCategory();
    void showPreview();
    void showDraft();
    void showIncluded();
    void showPhase();
    void showSendError();
    void showSendEnabled();

    // Hides the sheet and calls onClose, unless a report is being sent.
    void dismiss();
    void sendReport();

    std::shared_ptr<IssueFormModel> m_form;
    std::function<void()> m_onClose;
    CancelToken m_loadCancel;
    bool m_loadStarted = false;
    bool m_closing = false;

    QStackedWidget* m_pages = nullptr;
    QWidget* m_formPage = nullptr;
    QWidget* m_sentPage = nullptr;
    Page* m_page = nullptr;
    QAbstractButton* m_closeButton = nullptr;
    SegmentedControl* m_categoryPicker = nullptr;
    PlainTextEditor* m_editor = nullptr;
    QWidget* m_previewBlock = nullptr;
    TextLabel* m_previewHeading = nullptr;
    Spinner* m_previewSpinner = nullptr;
    TextLabel* m_previewError = nullptr;
    SelectableText* m_previewText = nullptr;
    Spinner* m_draftSpinner = nullptr;
    TextLabel* m_draftError = nullptr;
    Surface* m_attachmentList = nullptr;
    QList<IssueAttachmentRow*> m_rows;
    Banner* m_sendError = nullptr;
    QWidget* m_buttonRow = nullptr;
    Spinner* m_sendingSpinner = nullptr;
    PrimaryButton* m_cancelButton = nullptr;
    PrimaryButton* m_sendButton = nullptr;
    PrimaryButton* m_sentCloseButton = nullptr;
};

// One attachment of the report: its check box, its title and the text that goes out (directly,
// or behind "Show exactly what is sent"), drawn faded while unticked.
class IssueAttachmentRow : public QWidget {
    Q_OBJECT
public:
    IssueAttachmentRow(const IssueAttachmentItem& item, QWidget* parent = nullptr);

    const IssueAttachmentItem& item() const { return m_item; }

    bool isIncluded() const;
    // Ticks or clears the box and fades the texts to match; emits nothing.
    void setIncluded(bool included);

    // The text opacity: 1 ticked, 0.45 unticked.
    qreal textOpacity() const;

    CheckBox* checkBox() const { return m_checkBox; }
    TextLabel* titleLabel() const { return m_title; }
    SelectableText* detailText() const { return m_detail; }
    // The disclosure of a collapsible item, else null.
    Disclosure* disclosure() const { return m_disclosure; }

    static constexpr qreal fadedOpacity = 0.45;
    static constexpr int detailMaxHeight = 140;

Q_SIGNALS:
    // The user ticked or cleared the box.
    void includeToggled(const QString& key, bool included);

private:
    void recolor();

    IssueAttachmentItem m_item;
    CheckBox* m_checkBox = nullptr;
    TextLabel* m_title = nullptr;
    SelectableText* m_detail = nullptr;
    Disclosure* m_disclosure = nullptr;
};

} // namespace fernholm
