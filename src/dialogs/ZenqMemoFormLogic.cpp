#include "ZenqMemoFormLogic.h"

#include <algorithm>

namespace {

// QRect's right() and bottom() are inclusive; the rules below speak of edges, which are exclusive.
int rightEdge(const QRect &r) { return r.x() + r.width(); }
int bottomEdge(const QRect &r) { return r.y() + r.height(); }

} // namespace

ZenqCellEditorPlacement ZenqPlaceCellEditor(const QRect &cell, const QSize &size, const QSize &minimumSize,
                                            const QRect &screen)
{
    ZenqCellEditorPlacement placement;
    // A cell wider than the screen cannot be matched; the editor then takes the screen's width.
    placement.minimumWidth = std::min(std::max(minimumSize.width(), cell.width()), screen.width());
    const int width = std::min(std::max(size.width(), placement.minimumWidth), screen.width());
    const int height = std::min(size.height(), screen.height());

    int left = cell.x();
    int top = bottomEdge(cell);
    if (left < screen.x())
        left = screen.x();
    if (top < screen.y())
        top = screen.y();
    if (left + width > rightEdge(screen)) {
        left = rightEdge(cell) - width;
        if (left + width > rightEdge(screen))
            left = cell.x() - width;
    }
    if (top + height > bottomEdge(screen))
        top = cell.y() - height;

    // The steps above can still leave the editor partly off the screen (a cell off an edge, or too close
    // to two opposite edges); the editor is useless there, so it is pushed fully onto the screen.
    left = std::clamp(left, screen.x(), rightEdge(screen) - width);
    top = std::clamp(top, screen.y(), bottomEdge(screen) - height);
    placement.geometry = QRect(left, top, width, height);
    return placement;
}

QPoint ZenqCentreOnScreen(const QSize &size, const QRect &screen)
{
    const int left = screen.x() + (screen.width() - size.width()) / 2;
    const int top = screen.y() + (screen.height() - size.height()) / 2;
    return { std::max(left, screen.x()), std::max(top, screen.y()) };
}

QString ZenqMemoLineBreak(const QString &text)
{
    const qsizetype i = text.indexOf(QLatin1Char('\n'));
    const qsizetype cr = text.indexOf(QLatin1Char('\r'));
    if (i >= 0 && (cr < 0 || cr > i))
        return QStringLiteral("\n");
    return QStringLiteral("\r\n");
}

int ZenqMemoDocumentPosition(const QString &text, int position)
{
    const qsizetype end = std::clamp<qsizetype>(position, 0, text.size());
    int documentPosition = 0;
    for (qsizetype i = 0; i < end; ++i, ++documentPosition) {
        if (text.at(i) == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
    }
    return documentPosition;
}

QString ZenqMemoTextFromDocument(const QString &rawDocumentText, const QString &lineBreak)
{
    QString text;
    text.reserve(rawDocumentText.size());
    for (const QChar c : rawDocumentText) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            text += lineBreak;
        else
            text += c;
    }
    return text;
}
