#include "ZenqMemoForm.h"

#include "ZenqMemoFormLogic.h"
#include "ZenqModalRunner.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

constexpr QSize kInitialSize(395, 230);
constexpr QSize kMinimumSize(174, 111);
constexpr QSize kButtonSize(65, 22);
constexpr int kPanelHeight = 37;
constexpr int kPanelLineHeight = 2;
constexpr int kMemoLeftMargin = 15;
constexpr int kFrontDelayMs = 500;
const QColor kPanelColour(0, 145, 220);
const QColor kPanelLineColour(240, 240, 240);
const QColor kBorderColour(128, 128, 128);

// The window of the text dialog that is open; Timer1Timer brings it to the front.
QPointer<TZenqMemoForm_Form> &textDialogHandle()
{
    static QPointer<TZenqMemoForm_Form> handle;
    return handle;
}

// The blue bottom panel with its light line at the top.
class TZenqMemoPanel final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), kPanelColour);
        painter.fillRect(QRect(0, 0, width(), kPanelLineHeight), kPanelLineColour);
    }
};

QScreen *screenOf(const QRect &globalRect, const QWidget *widget)
{
    if (QScreen *screen = QGuiApplication::screenAt(globalRect.center()))
        return screen;
    if (widget)
        return widget->screen();
    return QGuiApplication::primaryScreen();
}

bool isLineBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The memo. With a maximum length it refuses what the user would type, paste, drop or compose beyond the
// form's limit, before it reaches the document, so undo and redo never see a cut insertion.
class TZenqMemo final : public QPlainTextEdit
{
public:
    using FittingLength = std::function<qsizetype(const QString &inserted)>;

    TZenqMemo(QWidget *parent, FittingLength fittingLength)
        : QPlainTextEdit(parent), m_fittingLength(std::move(fittingLength))
    {
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        QString inserted;
        const QString typed = event->text();
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            inserted = QStringLiteral("\n");
        else if (!typed.isEmpty() && (typed.at(0).isPrint() || typed.at(0) == QLatin1Char('\t')))
            inserted = typed;
        if (!inserted.isEmpty() && !isReadOnly() && m_fittingLength(inserted) < inserted.size()) {
            QApplication::beep();
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }

    void insertFromMimeData(const QMimeData *source) override
    {
        if (!source->hasText()) {
            QPlainTextEdit::insertFromMimeData(source);
            return;
        }
        const QString text = source->text();
        const qsizetype fitting = m_fittingLength(text);
        if (fitting == text.size()) {
            QPlainTextEdit::insertFromMimeData(source);
            return;
        }
        QApplication::beep();
        QMimeData cut;
        cut.setText(text.left(fitting));
        QPlainTextEdit::insertFromMimeData(&cut);
    }

    void inputMethodEvent(QInputMethodEvent *event) override
    {
        const QString commit = event->commitString();
        const qsizetype fitting = commit.isEmpty() ? 0 : m_fittingLength(commit);
        if (fitting == commit.size()) {
            QPlainTextEdit::inputMethodEvent(event);
            return;
        }
        QApplication::beep();
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(commit.left(fitting), event->replacementStart(), event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&cut);
    }

private:
    FittingLength m_fittingLength;
};

} // namespace

TZenqMemoForm_Form::TZenqMemoForm_Form(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TZenqMemoForm_Form"));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Memo = new TZenqMemo(Panel3, [this](const QString &inserted) { return fittingLength(inserted); });
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setFrameShape(QFrame::NoFrame);
    Memo->setTabChangesFocus(false);
    // Tab stops every eight characters, as in the edit control the stored texts were written in.
    Memo->setTabStopDistance(QFontMetricsF(Memo->font()).averageCharWidth() * 8);
    auto *panel3Layout = new QVBoxLayout(Panel3);
    panel3Layout->setContentsMargins(0, 0, 0, 0);
    panel3Layout->addWidget(Memo);

    Panel1 = new TZenqMemoPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(kPanelHeight);
    LabelOk = new QLabel(Panel1);
    LabelOk->setObjectName(QStringLiteral("LabelOk"));
    QPalette whiteText = LabelOk->palette();
    whiteText.setColor(QPalette::WindowText, Qt::white);
    LabelOk->setPalette(whiteText);
    QFont linkFont = LabelOk->font();
    linkFont.setUnderline(true);
    LabelOk->setFont(linkFont);
    LabelOk->hide();
    BtOk = new QPushButton(Panel1);
    BtOk->setObjectName(QStringLiteral("BtOk"));
    BtOk->setFixedSize(kButtonSize);
    BtOk->setDefault(true);
    LabelLength = new QLabel(Panel1);
    LabelLength->setObjectName(QStringLiteral("LabelLength"));
    LabelLength->setPalette(whiteText);
    LabelLength->setAlignment(Qt::AlignCenter);
    LabelLength->hide();
    BtCancel = new QPushButton(Panel1);
    BtCancel->setObjectName(QStringLiteral("BtCancel"));
    BtCancel->setFixedSize(kButtonSize);
    SizeGrip = new QSizeGrip(Panel1);
    SizeGrip->setObjectName(QStringLiteral("SizeGrip"));

    auto *panel1Layout = new QHBoxLayout(Panel1);
    panel1Layout->setContentsMargins(8, kPanelLineHeight, 0, 0);
    panel1Layout->setSpacing(6);
    panel1Layout->addWidget(LabelOk);
    panel1Layout->addWidget(BtOk);
    panel1Layout->addWidget(LabelLength, 1);
    panel1Layout->addWidget(BtCancel);
    panel1Layout->addWidget(SizeGrip, 0, Qt::AlignBottom | Qt::AlignRight);

    auto *memoRow = new QHBoxLayout;
    memoRow->setContentsMargins(kMemoLeftMargin, 0, 0, 0);
    memoRow->addWidget(Panel3);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1); // room for the thin border that paintEvent draws
    layout->setSpacing(0);
    layout->addLayout(memoRow, 1);
    layout->addWidget(Panel1);

    setMinimumSize(kMinimumSize);
    resize(kInitialSize);

    connect(BtOk, &QPushButton::clicked, this, &TZenqMemoForm_Form::acceptIfNotTooLong);
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Memo, &QPlainTextEdit::textChanged, this, &TZenqMemoForm_Form::updateLengthState);

    // Key preview: the form sees keys before the focused control does.
    for (QWidget *control : { static_cast<QWidget *>(Memo), static_cast<QWidget *>(BtOk),
                              static_cast<QWidget *>(BtCancel) })
        control->installEventFilter(this);
    Memo->viewport()->installEventFilter(this);
    Panel1->installEventFilter(this);
    LabelOk->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(kFrontDelayMs);
    connect(Timer1, &QTimer::timeout, this, &TZenqMemoForm_Form::Timer1Timer);
    Timer1->start();
}

TZenqMemoForm_Form::~TZenqMemoForm_Form() = default;

std::unique_ptr<TZenqMemoForm_Form>
TZenqMemoForm_Form::createCellEditor(QWidget *grid, const QRect &cellRect, const QString &okCaption, int maxLength,
                                     int caretPosition, const QString &text, const QString &cancelCaption,
                                     TZenqScrollStyle scrollBars)
{
    const QRect cell(grid ? grid->mapToGlobal(cellRect.topLeft()) : cellRect.topLeft(), cellRect.size());
    std::unique_ptr<TZenqMemoForm_Form> form(new TZenqMemoForm_Form(QApplication::activeWindow()));

    const QScreen *screen = screenOf(cell, grid);
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), kInitialSize);
    const ZenqCellEditorPlacement placement = ZenqPlaceCellEditor(cell, form->size(), kMinimumSize, available);
    form->setMinimumWidth(placement.minimumWidth);
    form->setGeometry(placement.geometry);

    form->BtOk->setText(okCaption);
    form->m_cancelCaptionGiven = !cancelCaption.isEmpty();
    if (form->m_cancelCaptionGiven)
        form->BtCancel->setText(cancelCaption);
    else
        form->BtCancel->hide();

    form->m_lineBreak = ZenqMemoLineBreak(text);
    form->Memo->setPlainText(text);
    form->m_maxLength = std::max(maxLength, 0);
    form->m_typingCeiling = std::max(form->m_maxLength, static_cast<int>(text.size()));
    form->setScrollBars(scrollBars);
    form->updateLengthState();
    form->Memo->setFocus();
    QTextCursor cursor = form->Memo->textCursor();
    cursor.setPosition(caretPosition >= 0 ? ZenqMemoDocumentPosition(text, caretPosition + 1) : 0);
    form->Memo->setTextCursor(cursor);
    return form;
}

std::unique_ptr<TZenqMemoForm_Form>
TZenqMemoForm_Form::createTextDialog(const QString &caption, const QString &linkCaption, const QString &text,
                                     bool hideCaret, int width, int height, TZenqScrollStyle scrollBars)
{
    QWidget *owner = QApplication::activeWindow();
    std::unique_ptr<TZenqMemoForm_Form> form(new TZenqMemoForm_Form(owner));
    form->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    form->layout()->setContentsMargins(0, 0, 0, 0); // the window system draws the border now
    form->setWindowTitle(caption);

    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), kInitialSize);
    const QSize size(std::clamp(width, kMinimumSize.width(), std::max(kMinimumSize.width(), available.width())),
                     std::clamp(height, kMinimumSize.height(), std::max(kMinimumSize.height(), available.height())));
    form->setFixedSize(size);
    form->move(ZenqCentreOnScreen(size, available));

    form->LabelOk->setText(linkCaption);
    form->LabelOk->setVisible(true);
    form->LabelOk->setCursor(Qt::PointingHandCursor);
    form->BtOk->hide();
    form->BtCancel->hide();
    form->SizeGrip->hide();

    form->Memo->setPlainText(text);
    form->Memo->setReadOnly(true);
    // The caret stays visible (and moves with the arrow keys) unless the caller hides it.
    form->Memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (hideCaret)
        form->Memo->setCursorWidth(0);
    form->setScrollBars(scrollBars);
    form->Memo->viewport()->setCursor(Qt::PointingHandCursor);
    form->Panel1->setCursor(Qt::PointingHandCursor);
    form->m_closeOnClick = true;
    form->Memo->setFocus();
    return form;
}

bool TZenqMemoForm_Form::cellEditorResult(QString &text) const
{
    if (result() != QDialog::Accepted || !m_cancelCaptionGiven)
        return false;
    text = this->text();
    return true;
}

QString TZenqMemoForm_Form::text() const
{
    return ZenqMemoTextFromDocument(Memo->document()->toRawText(), m_lineBreak);
}

bool TZenqMemoForm_Form::isTooLong() const
{
    return m_maxLength > 0 && text().size() > m_maxLength;
}

TZenqMemoForm_Form *TZenqMemoForm_Form::openTextDialog()
{
    return textDialogHandle().data();
}

void TZenqMemoForm_Form::LabelOkClick()
{
    accept();
}

void TZenqMemoForm_Form::MyMouseDown()
{
    accept();
}

void TZenqMemoForm_Form::Timer1Timer()
{
    Timer1->stop();
    if (TZenqMemoForm_Form *dialog = textDialogHandle().data()) {
        dialog->raise();
        dialog->activateWindow();
    }
}

bool TZenqMemoForm_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        return TntFormKeyDown(static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::MouseButtonPress && m_closeOnClick) {
        // The memo's scroll bar is not in the list, so a long text can still be scrolled with the mouse.
        if (watched == LabelOk)
            LabelOkClick();
        else if (watched == Memo->viewport() || watched == Panel1)
            MyMouseDown();
        else
            return false;
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TZenqMemoForm_Form::mousePressEvent(QMouseEvent *event)
{
    if (m_closeOnClick)
        MyMouseDown();
    else
        QDialog::mousePressEvent(event);
}

void TZenqMemoForm_Form::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    if (windowFlags().testFlag(Qt::FramelessWindowHint)) {
        QPainter painter(this);
        painter.setPen(kBorderColour);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

bool TZenqMemoForm_Form::TntFormKeyDown(QKeyEvent *event)
{
    const int key = event->key();
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    if (key == Qt::Key_Escape) {
        reject();
        return true;
    }
    if (control && (key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
        moveFocus(key == Qt::Key_Tab && !event->modifiers().testFlag(Qt::ShiftModifier));
        return true;
    }
    if (control && (key == Qt::Key_Return || key == Qt::Key_Enter) && focusWidget() == Memo) {
        acceptIfNotTooLong();
        return true;
    }
    return false;
}

void TZenqMemoForm_Form::moveFocus(bool forward)
{
    QWidget *const cycle[] = { Memo, BtOk, BtCancel };
    constexpr int count = static_cast<int>(std::size(cycle));
    int index = static_cast<int>(std::find(std::begin(cycle), std::end(cycle), focusWidget()) - std::begin(cycle));
    if (index == count)
        index = 0;
    for (int step = 1; step < count; ++step) {
        QWidget *next = cycle[(index + (forward ? step : count - step)) % count];
        if (next->isVisibleTo(this) && next->isEnabled()) {
            next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void TZenqMemoForm_Form::acceptIfNotTooLong()
{
    if (isTooLong()) {
        QApplication::beep();
        return;
    }
    accept();
}

void TZenqMemoForm_Form::setScrollBars(TZenqScrollStyle scrollBars)
{
    const bool vertical = scrollBars == TZenqScrollStyle::ssVertical || scrollBars == TZenqScrollStyle::ssBoth;
    const bool horizontal = scrollBars == TZenqScrollStyle::ssHorizontal || scrollBars == TZenqScrollStyle::ssBoth;
    Memo->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Memo->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Memo->setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
}

qsizetype TZenqMemoForm_Form::fittingLength(const QString &inserted) const
{
    if (m_maxLength <= 0)
        return inserted.size();
    const QString selected = ZenqMemoTextFromDocument(Memo->textCursor().selectedText(), m_lineBreak);
    qsizetype room = m_typingCeiling - (text().size() - selected.size());
    qsizetype fitting = 0;
    while (fitting < inserted.size()) {
        const QChar c = inserted.at(fitting);
        const bool crLf = c == QLatin1Char('\r') && fitting + 1 < inserted.size()
                          && inserted.at(fitting + 1) == QLatin1Char('\n');
        const bool lineBreak = crLf || c == QLatin1Char('\r') || c == QLatin1Char('\n') || isLineBreak(c);
        room -= lineBreak ? m_lineBreak.size() : 1;
        if (room < 0)
            break;
        fitting += crLf ? 2 : 1;
    }
    return fitting;
}

void TZenqMemoForm_Form::updateLengthState()
{
    const bool tooLong = isTooLong();
    if (tooLong) {
        const qsizetype length = text().size();
        LabelLength->setText(tr("Too long: %1/%2").arg(length).arg(m_maxLength));
        LabelLength->setToolTip(tr("The text has %1 characters; at most %2 can be stored.").arg(length).arg(m_maxLength));
    }
    LabelLength->setVisible(tooLong);
    BtOk->setEnabled(!tooLong);
}

bool EditTextInDialog(QWidget *grid, const QRect &cellRect, const QString &okCaption, int maxLength, int caretPosition,
                      QString &text, const QString &cancelCaption, TZenqScrollStyle scrollBars)
{
    // A guarded pointer: the owner window may close, and take the form with it, while the dialog runs.
    QPointer<TZenqMemoForm_Form> form = TZenqMemoForm_Form::createCellEditor(grid, cellRect, okCaption, maxLength,
                                                                             caretPosition, text, cancelCaption,
                                                                             scrollBars)
                                            .release();
    ZenqRunModal(*form);
    if (!form)
        return false;
    const bool confirmed = form->cellEditorResult(text);
    delete form.data();
    return confirmed;
}

void ShowTextDialog(const QString &caption, const QString &linkCaption, const QString &text, bool hideCaret, int width,
                    int height, TZenqScrollStyle scrollBars)
{
    QPointer<TZenqMemoForm_Form> form = TZenqMemoForm_Form::createTextDialog(caption, linkCaption, text, hideCaret,
                                                                             width, height, scrollBars)
                                            .release();
    textDialogHandle() = form;
    ZenqRunModal(*form);
    textDialogHandle().clear();
    delete form.data();
}
