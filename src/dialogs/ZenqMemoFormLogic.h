#pragma once
// The memo dialog's rules that need no window: where the cell editor opens, and how the caller's text
// maps onto the memo's document (line breaks, positions, lengths). Pure functions; thread-safe.
#include <QRect>
#include <QSize>
#include <QString>

// Where the cell editor goes and how narrow the user may make it.
struct ZenqCellEditorPlacement
{
    QRect geometry;
    int minimumWidth = 0;
};

// Places an editor of `size` just below `cell` (both in screen coordinates), at least as wide as the cell
// and entirely inside `screen`, even when the cell itself lies partly outside it.
ZenqCellEditorPlacement ZenqPlaceCellEditor(const QRect &cell, const QSize &size, const QSize &minimumSize,
                                            const QRect &screen);

// Top-left corner that centres `size` on `screen`, clamped so that the window stays on it.
QPoint ZenqCentreOnScreen(const QSize &size, const QRect &screen);

// The line break of the text that the memo hands back: a bare LF when the text's first break is one,
// else CR LF (also for a text without breaks), so an unchanged text comes back unchanged.
QString ZenqMemoLineBreak(const QString &text);

// The document position of `position` in `text`, where every line break of the text (CR LF, CR or LF) is
// one character of the document. Clamped to the text; a position between CR and LF lands after the break.
int ZenqMemoDocumentPosition(const QString &text, int position);

// Converts the memo's raw document text (paragraph and line separators) to the caller's text.
QString ZenqMemoTextFromDocument(const QString &rawDocumentText, const QString &lineBreak);
