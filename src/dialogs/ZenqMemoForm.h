#pragma once
// The memo dialog: a small always-on-top text window that edits a grid cell just below the cell, or shows
// a read-only text that any click closes. GUI thread only; not thread-safe.
//
// The two entry points build the form, show it modally through ZenqRunModal and destroy it. The
// factories build and configure it without showing it, so tests drive the same form with key and mouse
// events and read the result without a nested event loop.
#include <QDialog>
#include <QRect>
#include <QString>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSizeGrip;
class QTimer;
class QWidget;

// Scroll bars of the memo. A horizontal bar also turns word wrap off, since it would never be needed.
enum class TZenqScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TZenqMemoForm_Form final : public QDialog
{
    Q_OBJECT

public:
    // A cell editor for `cellRect` (in `grid`'s coordinates; a null grid means screen coordinates), placed
    // and filled but not shown. `maxLength` 0 means no limit, `caretPosition` -1 leaves the caret at the
    // start. Delete it before its owner, the application's active window.
    static std::unique_ptr<TZenqMemoForm_Form>
    createCellEditor(QWidget *grid, const QRect &cellRect, const QString &okCaption, int maxLength, int caretPosition,
                     const QString &text, const QString &cancelCaption,
                     TZenqScrollStyle scrollBars = TZenqScrollStyle::ssVertical);
    // A read-only text dialog of `width` × `height`, centred on the screen, filled but not shown.
    static std::unique_ptr<TZenqMemoForm_Form>
    createTextDialog(const QString &caption, const QString &linkCaption, const QString &text, bool hideCaret, int width,
                     int height, TZenqScrollStyle scrollBars = TZenqScrollStyle::ssVertical);

    ~TZenqMemoForm_Form() override;
    TZenqMemoForm_Form(const TZenqMemoForm_Form &) = delete;
    TZenqMemoForm_Form &operator=(const TZenqMemoForm_Form &) = delete;

    // After the cell editor closed: true with the edited text when the user confirmed and a cancel caption
    // was given; otherwise false and `text` untouched.
    bool cellEditorResult(QString &text) const;
    // The memo's text with the line breaks of the text it was given.
    QString text() const;
    // True while the text is longer than the maximum length; the dialog then refuses OK.
    bool isTooLong() const;

    // The memo control, for callers that drive the form in tests.
    QPlainTextEdit *memo() const { return Memo; }
    // The text dialog that is open, or null (the window that comes to the front).
    static TZenqMemoForm_Form *openTextDialog();

public Q_SLOTS:
    // Close with OK (the link, any click in a text dialog).
    void LabelOkClick();
    void MyMouseDown();
    // First tick, 500 ms after creation: brings the open text dialog to the front.
    void Timer1Timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    explicit TZenqMemoForm_Form(QWidget *owner);
    // The form's key preview; true when it swallowed the key.
    bool TntFormKeyDown(QKeyEvent *event);
    void moveFocus(bool forward);
    void acceptIfNotTooLong();
    void setScrollBars(TZenqScrollStyle scrollBars);
    // How many leading characters of `inserted` still fit under the limit.
    qsizetype fittingLength(const QString &inserted) const;
    void updateLengthState();

    QWidget *Panel1 = nullptr;
    QWidget *Panel3 = nullptr;
    QPlainTextEdit *Memo = nullptr;
    QLabel *LabelOk = nullptr;
    QLabel *LabelLength = nullptr;
    QPushButton *BtOk = nullptr;
    QPushButton *BtCancel = nullptr;
    QSizeGrip *SizeGrip = nullptr;
    QTimer *Timer1 = nullptr;

    bool m_closeOnClick = false;
    bool m_cancelCaptionGiven = false;
    QString m_lineBreak = QStringLiteral("\r\n");
    int m_maxLength = 0;
    // Typing stops here: the maximum, or the length of a longer text the editor was given, which is never cut.
    int m_typingCeiling = 0;
};

// The cell editor: opens below the cell, returns true and the edited text when the user confirmed it;
// false (text unchanged) on Cancel, Esc, closing, or when no cancel caption was given.
bool EditTextInDialog(QWidget *grid, const QRect &cellRect, const QString &okCaption, int maxLength, int caretPosition,
                      QString &text, const QString &cancelCaption,
                      TZenqScrollStyle scrollBars = TZenqScrollStyle::ssVertical);
// Shows `text` read-only until the user clicks anywhere, the link, or presses Esc or Ctrl+Enter.
void ShowTextDialog(const QString &caption, const QString &linkCaption, const QString &text, bool hideCaret, int width,
                    int height, TZenqScrollStyle scrollBars = TZenqScrollStyle::ssVertical);
