#include "TraceView.h"

#include "framework/ZenqTraceConstants.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTextLayout>
#include <QToolButton>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace {

// A flood of lines repaints the screen at most this often; a lone line after a quiet spell shows at once.
constexpr int refreshIntervalMs = 40;
constexpr int textMargin = 3;
constexpr int tabStopChars = 8;
// Laid-out row counts kept for word wrap; beyond this the cache starts afresh.
constexpr qsizetype wrapCacheLimit = 100000;
// Width of a line that never wraps; QTextLayout's fixed-point limit is far above it.
constexpr qreal noWrapLineWidth = 1e6;

bool isShownAsControlPicture(char16_t c)
{
    return (c < 0x20 && c != u'\t') || c == 0x7f || c == 0x2028 || c == 0x2029;
}

// Control characters would break or vanish in the layout; they show as their control pictures
// (one character each, so columns stay those of the stored text).
char16_t controlPicture(char16_t c)
{
    if (c < 0x20)
        return char16_t(0x2400 + c);
    return c == 0x7f ? char16_t(0x2421) : char16_t(0x2424);
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

TZenqTraceView::TZenqTraceView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { m_followEnd = value == verticalScrollBar()->maximum(); });

    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TZenqTraceView::refreshNow);
    m_sincePaint.start();
    m_dragScrollTimer.setInterval(50);
    connect(&m_dragScrollTimer, &QTimer::timeout, this, &TZenqTraceView::scrollForDrag);

    createActions();
    createFindBar();
    setTraceFontFamily(QStringLiteral("Courier New"));
}

TZenqTraceView::~TZenqTraceView() = default;

// --- lines -----------------------------------------------------------------------------------------

void TZenqTraceView::appendTraceLine(const QString &text, const TraceLineStyle &style)
{
    m_store.append(text, style);
    m_pending = true;
    scheduleRefresh();
}

void TZenqTraceView::takeFocus()
{
    if (hasFocus() || !isVisible() || !isActiveWindow())
        return;
    if (m_findBar->isVisible() && m_findBar->isAncestorOf(QApplication::focusWidget()))
        return; // the user is typing a search
    setFocus(Qt::OtherFocusReason);
}

void TZenqTraceView::flushDisplay()
{
    if (m_pending)
        refreshNow();
}

void TZenqTraceView::clear()
{
    m_store.clear();
    m_styleFonts.clear();
    m_wrapRows.clear();
    m_measuredWidth = 0;
    m_anchor = m_caret = TextPos();
    m_selecting = false;
    m_dragScrollTimer.stop();
    m_copyAction->setEnabled(false);
    m_followEnd = true;
    m_pending = false;
    m_refreshTimer.stop();
    m_findStatus->clear();
    syncScrollBars();
    viewport()->update();
}

void TZenqTraceView::scheduleRefresh()
{
    if (m_refreshTimer.isActive())
        return;
    const qint64 since = m_sincePaint.elapsed();
    m_refreshTimer.start(since >= refreshIntervalMs ? 0 : int(refreshIntervalMs - since));
}

void TZenqTraceView::refreshNow()
{
    // Scroll bars follow at once (they are cheap); the paint, which is not, at most every interval.
    m_refreshTimer.stop();
    if (m_pending) {
        m_pending = false;
        m_appending = true;
        syncScrollBars();
        m_appending = false;
    }
    const qint64 since = m_sincePaint.elapsed();
    if (since >= refreshIntervalMs)
        viewport()->update();
    else
        m_refreshTimer.start(int(refreshIntervalMs - since));
}

// --- geometry --------------------------------------------------------------------------------------

int TZenqTraceView::rowsPerPage() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

qsizetype TZenqTraceView::topLine() const
{
    return verticalScrollBar()->value();
}

int TZenqTraceView::wrapWidth() const
{
    return std::max(qCeil(m_charWidth * 8), viewport()->width() - 2 * textMargin);
}

int TZenqTraceView::textLeft() const
{
    return textMargin - (m_wordWrap ? 0 : horizontalScrollBar()->value());
}

void TZenqTraceView::syncScrollBars()
{
    // Showing or hiding a scroll bar resizes the viewport, which lands here again: settle in a loop.
    if (m_syncing) {
        m_resync = true;
        return;
    }
    m_syncing = true;
    for (int round = 0; round < 3; ++round) {
        m_resync = false;
        const bool follow = m_followEnd;
        const qsizetype count = m_store.size();
        const qsizetype lastTop = m_wordWrap ? count - tailLinesThatFit() : count - rowsPerPage();
        QScrollBar *vertical = verticalScrollBar();
        vertical->setPageStep(rowsPerPage());
        vertical->setRange(0, int(std::clamp<qsizetype>(lastTop, 0, INT_MAX)));
        if (follow)
            vertical->setValue(vertical->maximum());

        QScrollBar *horizontal = horizontalScrollBar();
        if (m_wordWrap) {
            horizontal->setRange(0, 0);
        } else {
            const qreal estimated = qreal(m_store.maxLineLength()) * m_charWidth;
            const int content = std::max(m_measuredWidth, qCeil(std::min(estimated, qreal(INT_MAX / 2))));
            horizontal->setPageStep(viewport()->width());
            horizontal->setSingleStep(std::max(1, qCeil(m_charWidth * 4)));
            horizontal->setRange(0, std::max(0, content + 2 * textMargin - viewport()->width()));
        }
        if (!m_resync)
            break;
    }
    m_syncing = false;
}

void TZenqTraceView::invalidateWrapCache()
{
    m_wrapRows.clear();
}

void TZenqTraceView::applyFont(const QFont &font)
{
    m_font = font;
    viewport()->setFont(font);
    const QFontMetricsF metrics(font, viewport());
    m_lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    m_charWidth = std::max<qreal>(1, metrics.averageCharWidth());
    m_styleFonts.clear();
    m_measuredWidth = 0;
    invalidateWrapCache();
    syncScrollBars();
    viewport()->update();
}

void TZenqTraceView::setTraceFontFamily(const QString &family)
{
    QFont font(family, 8);
    font.setStyleHint(QFont::TypeWriter); // only used when the family is not installed
    applyFont(font);
}

const QFont &TZenqTraceView::fontForStyle(int styleIndex)
{
    if (styleIndex == 0)
        return m_font;
    while (int(m_styleFonts.size()) <= styleIndex) {
        const TraceLineStyle &style = m_store.style(int(m_styleFonts.size()));
        QFont font = m_font;
        font.setBold(style.fontStyle & ZenqStyleBold);
        font.setItalic(style.fontStyle & ZenqStyleItalic);
        font.setUnderline(style.fontStyle & ZenqStyleUnderline);
        font.setStrikeOut(style.fontStyle & ZenqStyleStrikeOut);
        m_styleFonts.push_back(font);
    }
    return m_styleFonts[size_t(styleIndex)];
}

void TZenqTraceView::setWordWrap(bool on)
{
    if (m_wordWrap == on)
        return;
    m_wordWrap = on;
    invalidateWrapCache();
    if (on)
        horizontalScrollBar()->setValue(0);
    // Both modes scroll by whole lines, so the top line stays where it was.
    syncScrollBars();
    viewport()->update();
}

void TZenqTraceView::layoutLine(QTextLayout &layout, QString &text, qsizetype line, int y)
{
    const QStringView stored = m_store.line(line);
    if (std::any_of(stored.begin(), stored.end(), [](QChar c) { return isShownAsControlPicture(c.unicode()); })) {
        text = stored.toString();
        for (QChar &c : text)
            if (isShownAsControlPicture(c.unicode()))
                c = QChar(controlPicture(c.unicode()));
    } else {
        text = QString::fromRawData(stored.data(), stored.size());
    }
    layout.setText(text);
    layout.setFont(fontForStyle(m_store.styleIndex(line)));
    QTextOption option;
    option.setWrapMode(m_wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(m_charWidth * tabStopChars);
    layout.setTextOption(option);
    const qreal width = m_wordWrap ? qreal(wrapWidth()) : noWrapLineWidth;
    layout.beginLayout();
    for (int row = 0;; ++row) {
        QTextLine textLine = layout.createLine();
        if (!textLine.isValid())
            break;
        textLine.setLineWidth(width);
        textLine.setPosition(QPointF(0, y + row * m_lineHeight));
    }
    layout.endLayout();
}

int TZenqTraceView::wrappedRows(qsizetype line)
{
    if (!m_wordWrap)
        return 1;
    const auto cached = m_wrapRows.constFind(line);
    if (cached != m_wrapRows.cend())
        return cached.value();
    if (m_wrapRows.size() >= wrapCacheLimit)
        m_wrapRows.clear();
    QTextLayout layout(QString(), m_font, viewport());
    QString text;
    layoutLine(layout, text, line, 0);
    const int rows = std::max(1, layout.lineCount());
    m_wrapRows.insert(line, rows);
    return rows;
}

qsizetype TZenqTraceView::tailLinesThatFit()
{
    const int height = viewport()->height();
    int used = 0;
    qsizetype fitting = 0;
    for (qsizetype line = m_store.size() - 1; line >= 0; --line) {
        const int lineHeight = wrappedRows(line) * m_lineHeight;
        if (fitting > 0 && used + lineHeight > height)
            break;
        used += lineHeight;
        ++fitting;
        if (used >= height)
            break;
    }
    return fitting;
}

// --- painting --------------------------------------------------------------------------------------

void TZenqTraceView::paintEvent(QPaintEvent *event)
{
    m_sincePaint.restart();
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const int height = viewport()->height();
    const qsizetype count = m_store.size();
    const QColor textColor = palette().color(QPalette::Text);
    const bool selection = hasSelection();
    const TextPos selStart = std::min(m_anchor, m_caret);
    const TextPos selEnd = std::max(m_anchor, m_caret);
    QTextCharFormat selectedFormat;
    selectedFormat.setBackground(palette().brush(QPalette::Highlight));
    selectedFormat.setForeground(palette().brush(QPalette::HighlightedText));
    const QPointF origin(textLeft(), 0);

    QTextLayout layout(QString(), m_font, viewport());
    QString text;
    int widest = m_measuredWidth;
    int y = 0;
    for (qsizetype line = topLine(); line < count && y < height; ++line) {
        layoutLine(layout, text, line, y);
        const int rows = std::max(1, layout.lineCount());
        const int lineHeight = rows * m_lineHeight;
        if (!m_wordWrap && layout.lineCount() > 0)
            widest = std::max(widest, qCeil(layout.lineAt(0).naturalTextWidth()));
        if (y + lineHeight > dirty.top() && y <= dirty.bottom()) {
            const int styleIndex = m_store.styleIndex(line);
            painter.setPen(styleIndex == 0 ? textColor : QColor::fromRgb(QRgb(m_store.style(styleIndex).color)));
            QList<QTextLayout::FormatRange> ranges;
            if (selection && line >= selStart.line && line <= selEnd.line) {
                const qsizetype from = line == selStart.line ? selStart.column : 0;
                const qsizetype to = line == selEnd.line ? selEnd.column : text.size();
                if (to > from)
                    ranges.append({ int(from), int(to - from), selectedFormat });
                if (line < selEnd.line && layout.lineCount() > 0) {
                    // The selection goes on into the next line: mark the rest of this row.
                    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
                    const qreal x = origin.x() + last.cursorToX(int(text.size()));
                    painter.fillRect(QRectF(x, last.y(), std::max<qreal>(m_charWidth / 2, viewport()->width() - x),
                                            m_lineHeight),
                                     palette().brush(QPalette::Highlight));
                }
            }
            layout.draw(&painter, origin, ranges);
        }
        y += lineHeight;
    }
    if (widest > m_measuredWidth) {
        // Lines wider than the estimate widen the scroll range once they have been seen.
        m_measuredWidth = widest;
        if (widest + 2 * textMargin - viewport()->width() > horizontalScrollBar()->maximum())
            scheduleRefresh();
    }
}

void TZenqTraceView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutFindBar();
    invalidateWrapCache();
    syncScrollBars();
}

void TZenqTraceView::scrollContentsBy(int, int)
{
    if (!m_appending) // following the end during a flood paints at refresh pace
        viewport()->update();
}

void TZenqTraceView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        viewport()->update();
}

// --- selection -------------------------------------------------------------------------------------

bool TZenqTraceView::hasSelection() const
{
    return m_anchor != m_caret;
}

QString TZenqTraceView::selectedText() const
{
    if (!hasSelection())
        return {};
    const TextPos start = std::min(m_anchor, m_caret);
    const TextPos end = std::max(m_anchor, m_caret);
    qsizetype size = 0;
    for (qsizetype line = start.line; line <= end.line; ++line)
        size += m_store.lineLength(line) + 1;
    QString result;
    result.reserve(size);
    for (qsizetype line = start.line; line <= end.line; ++line) {
        const QStringView text = m_store.line(line);
        const qsizetype from = line == start.line ? start.column : 0;
        const qsizetype to = line == end.line ? end.column : text.size();
        result.append(text.mid(from, to - from));
        if (line < end.line)
            result.append(QLatin1Char('\n'));
    }
    return result;
}

void TZenqTraceView::setSelection(qsizetype fromLine, qsizetype fromColumn, qsizetype toLine, qsizetype toColumn)
{
    const qsizetype count = m_store.size();
    if (count == 0)
        return;
    const auto clamped = [this, count](qsizetype line, qsizetype column) {
        const qsizetype l = std::clamp<qsizetype>(line, 0, count - 1);
        return TextPos { l, std::clamp<qsizetype>(column, 0, m_store.lineLength(l)) };
    };
    m_anchor = clamped(fromLine, fromColumn);
    m_caret = clamped(toLine, toColumn);
    m_copyAction->setEnabled(hasSelection());
    viewport()->update();
}

void TZenqTraceView::selectAll()
{
    const qsizetype count = m_store.size();
    if (count > 0)
        setSelection(0, 0, count - 1, m_store.lineLength(count - 1));
}

void TZenqTraceView::copy()
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

TZenqTraceView::TextPos TZenqTraceView::positionAt(const QPoint &point)
{
    const qsizetype count = m_store.size();
    if (count == 0)
        return {};
    const int y = std::clamp(point.y(), 0, std::max(0, viewport()->height() - 1));
    const qreal x = point.x() - textLeft();
    QTextLayout layout(QString(), m_font, viewport());
    QString text;
    if (!m_wordWrap) {
        const qsizetype line = topLine() + y / m_lineHeight;
        if (line >= count)
            return { count - 1, m_store.lineLength(count - 1) };
        layoutLine(layout, text, line, 0);
        return { line, layout.lineCount() > 0 ? layout.lineAt(0).xToCursor(x) : 0 };
    }
    int top = 0;
    for (qsizetype line = topLine(); line < count; ++line) {
        layoutLine(layout, text, line, top);
        const int rows = std::max(1, layout.lineCount());
        if (y < top + rows * m_lineHeight) {
            const int row = std::min(rows - 1, (y - top) / m_lineHeight);
            return { line, layout.lineCount() > 0 ? layout.lineAt(row).xToCursor(x) : 0 };
        }
        top += rows * m_lineHeight;
    }
    return { count - 1, m_store.lineLength(count - 1) };
}

void TZenqTraceView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const TextPos position = positionAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier))
        m_anchor = position;
    m_caret = position;
    m_selecting = true;
    m_dragPoint = event->position().toPoint();
    m_copyAction->setEnabled(hasSelection());
    viewport()->update();
}

void TZenqTraceView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    m_dragPoint = event->position().toPoint();
    if (viewport()->rect().contains(m_dragPoint)) {
        m_dragScrollTimer.stop();
    } else if (!m_dragScrollTimer.isActive()) {
        m_dragScrollTimer.start();
    }
    m_caret = positionAt(m_dragPoint);
    m_copyAction->setEnabled(hasSelection());
    viewport()->update();
}

void TZenqTraceView::scrollForDrag()
{
    const QRect area = viewport()->rect();
    if (m_dragPoint.y() < area.top())
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1 - (area.top() - m_dragPoint.y()) / m_lineHeight);
    else if (m_dragPoint.y() > area.bottom())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 1 + (m_dragPoint.y() - area.bottom()) / m_lineHeight);
    if (m_dragPoint.x() < area.left())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (m_dragPoint.x() > area.right())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    m_caret = positionAt(m_dragPoint);
    m_copyAction->setEnabled(hasSelection());
    viewport()->update();
}

void TZenqTraceView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_selecting) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    m_dragScrollTimer.stop();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TZenqTraceView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_store.isEmpty()) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const TextPos position = positionAt(event->position().toPoint());
    const QStringView text = m_store.line(position.line);
    qsizetype from = position.column;
    qsizetype to = position.column;
    while (from > 0 && isWordCharacter(text.at(from - 1)))
        --from;
    while (to < text.size() && isWordCharacter(text.at(to)))
        ++to;
    if (from == to && to < text.size())
        ++to; // not on a word: the character itself
    setSelection(position.line, from, position.line, to);
    m_selecting = false;
}

// --- keys, menu, find ------------------------------------------------------------------------------

void TZenqTraceView::createActions()
{
    const auto make = [this](const QString &text, const QList<QKeySequence> &keys, auto slot) {
        auto *action = new QAction(text, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    m_copyAction = make(tr("&Copy"), QKeySequence::keyBindings(QKeySequence::Copy), &TZenqTraceView::copy);
    m_copyAction->setEnabled(false);
    m_selectAllAction =
        make(tr("Select &All"), QKeySequence::keyBindings(QKeySequence::SelectAll), &TZenqTraceView::selectAll);
    m_findAction = make(tr("&Find..."), QKeySequence::keyBindings(QKeySequence::Find), &TZenqTraceView::openFindBar);
    make(tr("Find Next"), { QKeySequence(Qt::Key_F3) }, [this] { findFromBar(true); });
    make(tr("Find Previous"), { QKeySequence(Qt::SHIFT | Qt::Key_F3) }, [this] { findFromBar(false); });
}

void TZenqTraceView::createFindBar()
{
    m_findBar = new QWidget(this);
    m_findBar->setObjectName(QStringLiteral("findBar"));
    m_findBar->setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(m_findBar);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);

    auto *close = new QToolButton(m_findBar);
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    close->setToolTip(tr("Close (Escape)"));
    connect(close, &QToolButton::clicked, this, &TZenqTraceView::closeFindBar);

    m_findEdit = new QLineEdit(m_findBar);
    m_findEdit->setObjectName(QStringLiteral("findText"));
    m_findEdit->setPlaceholderText(tr("Find"));
    m_findEdit->setClearButtonEnabled(true);
    connect(m_findEdit, &QLineEdit::returnPressed, this, [this] { findFromBar(true); });

    const auto arrowButton = [this](Qt::ArrowType arrow, const QString &tip, bool forward) {
        auto *button = new QToolButton(m_findBar);
        button->setArrowType(arrow);
        button->setAutoRaise(true);
        button->setToolTip(tip);
        connect(button, &QToolButton::clicked, this, [this, forward] { findFromBar(forward); });
        return button;
    };
    m_findCase = new QCheckBox(tr("Match case"), m_findBar);
    m_findCase->setObjectName(QStringLiteral("findMatchCase"));
    m_findStatus = new QLabel(m_findBar);
    m_findStatus->setObjectName(QStringLiteral("findStatus"));
    connect(m_findEdit, &QLineEdit::textEdited, m_findStatus, &QLabel::clear);

    layout->addWidget(close);
    layout->addWidget(m_findEdit, 1);
    layout->addWidget(arrowButton(Qt::UpArrow, tr("Previous (Shift+F3)"), false));
    layout->addWidget(arrowButton(Qt::DownArrow, tr("Next (F3)"), true));
    layout->addWidget(m_findCase);
    layout->addWidget(m_findStatus, 1);

    auto *previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Return), m_findEdit);
    previous->setContext(Qt::WidgetShortcut);
    connect(previous, &QShortcut::activated, this, [this] { findFromBar(false); });
    // Escape closes the bar only while the bar has the focus: in the view itself Escape belongs to
    // the console (it cancels a batch).
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_findBar);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TZenqTraceView::closeFindBar);

    m_findBar->hide();
}

void TZenqTraceView::layoutFindBar()
{
    const int height = m_findBar->isVisible() ? m_findBar->sizeHint().height() : 0;
    if (viewportMargins().bottom() != height)
        setViewportMargins(0, 0, 0, height);
    if (height > 0) {
        const QRect area = viewport()->geometry();
        m_findBar->setGeometry(area.left(), area.bottom() + 1, area.width(), height);
    }
}

void TZenqTraceView::openFindBar()
{
    if (hasSelection() && m_anchor.line == m_caret.line)
        m_findEdit->setText(selectedText());
    m_findBar->show();
    layoutFindBar();
    m_findEdit->setFocus(Qt::ShortcutFocusReason);
    m_findEdit->selectAll();
}

void TZenqTraceView::closeFindBar()
{
    if (!m_findBar->isVisible())
        return;
    m_findBar->hide();
    layoutFindBar();
    setFocus(Qt::OtherFocusReason);
}

void TZenqTraceView::findFromBar(bool forward)
{
    const QString text = m_findEdit->text();
    if (text.isEmpty()) {
        openFindBar();
        return;
    }
    if (find(text, forward, m_findCase->isChecked())) {
        if (!m_lastFindWrapped)
            m_findStatus->clear();
        else
            m_findStatus->setText(forward ? tr("Reached the end, continued from the top")
                                          : tr("Reached the top, continued from the end"));
    } else {
        m_findStatus->setText(tr("Not found"));
    }
}

bool TZenqTraceView::find(const QString &text, bool forward, bool caseSensitive)
{
    m_lastFindWrapped = false;
    const qsizetype count = m_store.size();
    if (text.isEmpty() || count == 0)
        return false;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;

    // Search from the selection, else from what the user sees.
    TextPos from;
    if (hasSelection()) {
        from = forward ? std::max(m_anchor, m_caret) : std::min(m_anchor, m_caret);
    } else if (forward) {
        from = { std::min(topLine(), count - 1), 0 };
    } else {
        const qsizetype line = std::min(topLine() + rowsPerPage() - 1, count - 1);
        from = { line, m_store.lineLength(line) };
    }

    const auto select = [&](qsizetype line, qsizetype column, bool wrapped) {
        m_lastFindWrapped = wrapped;
        setSelection(line, column, line, column + text.size());
        ensureVisible(m_anchor, m_caret);
        return true;
    };
    if (forward) {
        for (qsizetype line = from.line; line < count; ++line) {
            const qsizetype at = m_store.line(line).indexOf(text, line == from.line ? from.column : 0, cs);
            if (at >= 0)
                return select(line, at, false);
        }
        for (qsizetype line = 0; line <= from.line; ++line) {
            const qsizetype at = m_store.line(line).indexOf(text, 0, cs);
            if (at >= 0)
                return select(line, at, true);
        }
        return false;
    }
    // Backwards: a match must start before `from`; lastIndexOf takes the last start position allowed.
    for (qsizetype line = from.line; line >= 0; --line) {
        const QStringView stored = m_store.line(line);
        const qsizetype last = line == from.line ? from.column - 1 : stored.size();
        if (last < 0)
            continue;
        const qsizetype at = stored.lastIndexOf(text, last, cs);
        if (at >= 0)
            return select(line, at, false);
    }
    for (qsizetype line = count - 1; line >= from.line; --line) {
        const QStringView stored = m_store.line(line);
        const qsizetype at = stored.lastIndexOf(text, stored.size(), cs);
        if (at >= 0)
            return select(line, at, true);
    }
    return false;
}

void TZenqTraceView::ensureVisible(const TextPos &from, const TextPos &to)
{
    QScrollBar *vertical = verticalScrollBar();
    const qsizetype top = topLine();
    const int height = viewport()->height();
    if (from.line < top) {
        vertical->setValue(int(from.line));
    } else if (!m_wordWrap) {
        const int rows = rowsPerPage();
        if (to.line >= top + rows)
            vertical->setValue(int(to.line - rows + 1));
    } else {
        int used = 0;
        qsizetype line = top;
        for (; line <= to.line && used <= height; ++line)
            used += wrappedRows(line) * m_lineHeight;
        if (used > height) {
            // Put the line at the bottom of the screen, with as many lines above it as fit.
            qsizetype first = to.line;
            used = wrappedRows(to.line) * m_lineHeight;
            while (first > 0 && used + wrappedRows(first - 1) * m_lineHeight <= height)
                used += wrappedRows(--first) * m_lineHeight;
            vertical->setValue(int(first));
        }
    }
    if (m_wordWrap)
        return;

    QTextLayout layout(QString(), m_font, viewport());
    QString text;
    layoutLine(layout, text, from.line, 0);
    if (layout.lineCount() == 0)
        return;
    const QTextLine row = layout.lineAt(0);
    const int left = qFloor(row.cursorToX(int(from.column)));
    const int right = qCeil(row.cursorToX(int(from.line == to.line ? to.column : text.size())));
    const int natural = qCeil(row.naturalTextWidth());
    if (natural > m_measuredWidth) {
        m_measuredWidth = natural;
        syncScrollBars();
    }
    QScrollBar *horizontal = horizontalScrollBar();
    const int visible = viewport()->width() - 2 * textMargin;
    if (left < horizontal->value())
        horizontal->setValue(std::max(0, left - visible / 4));
    else if (right > horizontal->value() + visible)
        horizontal->setValue(std::min(left - visible / 4, right - visible + visible / 4));
}

void TZenqTraceView::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        vertical->setValue(0);
        horizontal->setValue(0);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        vertical->setValue(vertical->maximum());
    } else if (event->matches(QKeySequence::MoveToStartOfLine)) {
        horizontal->setValue(0);
    } else if (event->matches(QKeySequence::MoveToEndOfLine)) {
        horizontal->setValue(horizontal->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TZenqTraceView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(m_copyAction);
    menu.addAction(m_selectAllAction);
    menu.addSeparator();
    menu.addAction(m_findAction);
    menu.exec(event->globalPos());
}
