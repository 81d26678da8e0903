#pragma once
// The console's trace display: a read-only view of every trace line since the last clear, with
// selection, copy and a find bar. Lines live in a compact store; only the visible ones are laid out
// and painted. UI thread only; not thread-safe.
#include "console/TraceDisplay.h"
#include "console/TraceLineStore.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QTimer>

#include <algorithm>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTextLayout;

class TZenqTraceView : public QAbstractScrollArea, public TraceDisplaySink
{
    Q_OBJECT
public:
    // A place between characters: line index and 0-based column in UTF-16 code units.
    struct TextPos
    {
        qsizetype line = 0;
        qsizetype column = 0;
        auto operator<=>(const TextPos &) const = default;
    };

    explicit TZenqTraceView(QWidget *parent = nullptr);
    ~TZenqTraceView() override;
    TZenqTraceView(const TZenqTraceView &) = delete;
    TZenqTraceView &operator=(const TZenqTraceView &) = delete;

    // Stores the line at the end in amortised O(1); the screen follows at the next refresh.
    void appendTraceLine(const QString &text, const TraceLineStyle &style) override;
    // Takes the keyboard focus when the window is visible and active, unless the find bar has it.
    void takeFocus() override;
    // Brings scroll bars and screen up to date with the appended lines now.
    void flushDisplay() override;

    // Removes every line and the selection; the view follows the end again.
    void clear();
    // Wraps long lines at the view's width (scrolling then moves by whole lines).
    void setWordWrap(bool on);
    bool wordWrap() const { return m_wordWrap; }
    // Shows the lines in this font family at 8 points; a missing family falls back to a fixed-pitch font.
    void setTraceFontFamily(const QString &family);
    QString traceFontFamily() const { return m_font.family(); }

    qsizetype lineCount() const { return m_store.size(); }
    // Text and style of line i as appended (0 <= i < lineCount()).
    QString lineText(qsizetype i) const { return m_store.line(i).toString(); }
    TraceLineStyle lineStyle(qsizetype i) const { return m_store.style(m_store.styleIndex(i)); }
    // Bytes the line store holds (text blocks, offset index, style indices).
    qsizetype storageBytes() const { return m_store.storageBytes(); }
    // True while new lines scroll the view to the end (the view was at the end).
    bool isFollowingEnd() const { return m_followEnd; }

    bool hasSelection() const;
    // Ends of the selection in text order (equal without a selection).
    TextPos selectionStart() const { return std::min(m_anchor, m_caret); }
    TextPos selectionEnd() const { return std::max(m_anchor, m_caret); }
    // The selected text, lines joined with "\n"; empty without a selection.
    QString selectedText() const;
    // Selects [fromColumn of fromLine, toColumn of toLine); columns are clamped to the lines.
    void setSelection(qsizetype fromLine, qsizetype fromColumn, qsizetype toLine, qsizetype toColumn);
    // Finds the next (or previous) occurrence from the selection, else from the top of the screen,
    // wrapping around the ends; selects it and scrolls it into view. False when there is none.
    bool find(const QString &text, bool forward, bool caseSensitive);
    // Whether the last successful find() had to wrap around an end.
    bool lastFindWrapped() const { return m_lastFindWrapped; }

public Q_SLOTS:
    // Puts the selection on the clipboard (nothing without a selection).
    void copy();
    void selectAll();
    // Shows the find bar with the selected text (if on one line) and focuses its input.
    void openFindBar();
    void closeFindBar();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createActions();
    void createFindBar();
    void layoutFindBar();
    void findFromBar(bool forward);

    void applyFont(const QFont &font);
    const QFont &fontForStyle(int styleIndex);
    void scheduleRefresh();
    void refreshNow();
    void syncScrollBars();
    void invalidateWrapCache();

    int rowsPerPage() const;
    qsizetype topLine() const;
    int wrapWidth() const;
    int textLeft() const;
    // Lays out line i for painting and hit tests; `text` keeps the laid-out characters alive.
    void layoutLine(QTextLayout &layout, QString &text, qsizetype line, int y);
    int wrappedRows(qsizetype line);
    qsizetype tailLinesThatFit();
    TextPos positionAt(const QPoint &viewportPoint);
    void ensureVisible(const TextPos &from, const TextPos &to);
    void scrollForDrag();

    TraceLineStore m_store;
    QFont m_font;
    std::vector<QFont> m_styleFonts; // by style index; filled on first use
    int m_lineHeight = 1;
    qreal m_charWidth = 1;
    int m_measuredWidth = 0; // widest line painted so far
    bool m_wordWrap = false;
    bool m_followEnd = true;
    bool m_pending = false;   // lines appended since the last refresh
    bool m_appending = false; // scroll bars move because lines were appended
    bool m_syncing = false;
    bool m_resync = false;
    QTimer m_refreshTimer;
    QElapsedTimer m_sincePaint;
    QHash<qsizetype, int> m_wrapRows; // line -> rows at the current wrap width

    TextPos m_anchor;
    TextPos m_caret;
    bool m_selecting = false;
    QPoint m_dragPoint;
    QTimer m_dragScrollTimer;

    QAction *m_copyAction = nullptr;
    QAction *m_selectAllAction = nullptr;
    QAction *m_findAction = nullptr;
    QWidget *m_findBar = nullptr;
    QLineEdit *m_findEdit = nullptr;
    QCheckBox *m_findCase = nullptr;
    QLabel *m_findStatus = nullptr;
    bool m_lastFindWrapped = false;
};
