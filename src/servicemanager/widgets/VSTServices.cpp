#include "VSTServices.h"

#include "framework/ZenqRegistry.h"
#include "servicemanager/ServiceOperations.h"
#include "servicemanager/ServiceTree.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace {

const QString positionSetting = QStringLiteral("VSTServicesColumnPosition");
const QString widthSetting = QStringLiteral("VSTServicesColumnWidth");
const QString dragFormat = QStringLiteral("application/x-zenq-service-node");

// Gray detail columns, bold folder names, a blended rounded selection and no focus rectangle, with the
// vertical grid lines.
class ServiceItemDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const bool selected = item.state & QStyle::State_Selected;
        item.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
        if (index.column() > 0)
            item.palette.setColor(QPalette::Text, QColor(128, 128, 128));
        else if (index.data(TServiceTree::IsFolderRole).toBool())
            item.font.setBold(true);
        QStyledItemDelegate::paint(painter, item, QModelIndex());
        QStyledItemDelegate::paint(painter, item, index);
        painter->save();
        if (selected) {
            QColor blend = option.palette.color(QPalette::Highlight);
            blend.setAlpha(80);
            painter->setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addRoundedRect(QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
            painter->fillPath(path, blend);
        }
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == 0 && index.data(TServiceTree::IsFolderRole).toBool())
            option->font.setBold(true);
    }
};

} // namespace

TZenqServiceTreeView::TZenqServiceTreeView(QWidget *parent)
    : QTreeView(parent), m_tree(new TServiceTree(this)), m_operations(new TServiceOperations(*m_tree, this))
{
    setObjectName(QStringLiteral("VSTServices"));
    setModel(m_tree);
    setItemDelegate(new ServiceItemDelegate(this));
    setEditTriggers(QAbstractItemView::EditKeyPressed); // F2, and the rename command
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAutoExpandDelay(700); // dragging over a collapsed node expands it
    setExpandsOnDoubleClick(true);
    setRootIsDecorated(true);
    setAllColumnsShowFocus(true);
    setUniformRowHeights(true);
    header()->setSectionsMovable(true);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setStretchLastSection(false);
    for (int column = 0; column < TServiceTree::ColumnCount; ++column)
        header()->resizeSection(column, TServiceTree::designWidth(column));

    connect(m_tree, &TServiceTree::rebuildStarted, this, [this] {
        ++m_paintHolds;
        setUpdatesEnabled(false);
    });
    connect(m_tree, &TServiceTree::rebuildFinished, this, [this] {
        applyTreeState();
        if (--m_paintHolds == 0)
            setUpdatesEnabled(true);
    });
    connect(m_operations, &TServiceOperations::updateBracket, this, [this](bool hold) {
        m_paintHolds += hold ? 1 : -1;
        setUpdatesEnabled(m_paintHolds == 0);
    });
    connect(m_operations, &TServiceOperations::updateRequested, this, [this] {
        if (updatesEnabled())
            viewport()->repaint();
    });
    connect(m_operations, &TServiceOperations::startEditing, this, [this](const QModelIndex &node) {
        setCurrentIndex(node);
        edit(node);
    });
    connect(m_tree, &TServiceTree::expandedChanged, this, [this](const QModelIndex &node, bool expanded) {
        if (m_syncing)
            return;
        m_syncing = true;
        setExpanded(node, expanded);
        m_syncing = false;
    });
    connect(m_tree, &TServiceTree::focusChanged, this, [this](const QModelIndex &node) {
        if (m_syncing)
            return;
        m_syncing = true;
        if (node.isValid()) {
            setCurrentIndex(node);
            scrollTo(node);
        } else {
            clearSelection();
            setCurrentIndex(QModelIndex());
        }
        m_syncing = false;
    });
    const auto expansionFromView = [this](bool expanded) {
        return [this, expanded](const QModelIndex &node) {
            if (m_syncing)
                return;
            m_syncing = true;
            m_tree->setExpanded(node, expanded);
            m_syncing = false;
        };
    };
    connect(this, &QTreeView::expanded, this, expansionFromView(true));
    connect(this, &QTreeView::collapsed, this, expansionFromView(false));
}

TZenqServiceTreeView::~TZenqServiceTreeView() = default;

void TZenqServiceTreeView::applyTreeState()
{
    m_syncing = true;
    for (const QModelIndex &node : m_tree->nodesInTreeOrder())
        if (m_tree->isExpanded(node))
            setExpanded(node, true);
    const QModelIndex focused = m_tree->focusedNode();
    if (focused.isValid()) {
        setCurrentIndex(focused);
        scrollTo(focused);
    }
    m_syncing = false;
}

void TZenqServiceTreeView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    if (!m_syncing)
        m_tree->setFocusedNode(current.siblingAtColumn(0));
}

void TZenqServiceTreeView::readColumnSettings()
{
    QHeaderView *h = header();
    QList<std::pair<int, int>> positions; // (position, column)
    for (int column = 0; column < TServiceTree::ColumnCount; ++column) {
        const QString index = QString::number(column);
        h->resizeSection(column, JGetRegistryInt(ZenqConsoleRegistryKey, widthSetting + index, h->sectionSize(column)));
        positions << std::pair { JGetRegistryInt(ZenqConsoleRegistryKey, positionSetting + index, h->visualIndex(column)), column };
    }
    std::sort(positions.begin(), positions.end());
    for (const auto &[position, column] : std::as_const(positions)) {
        if (position >= 0 && position < TServiceTree::ColumnCount)
            h->moveSection(h->visualIndex(column), position);
    }
}

void TZenqServiceTreeView::writeColumnSettings() const
{
    const QHeaderView *h = header();
    for (int column = 0; column < TServiceTree::ColumnCount; ++column) {
        const QString index = QString::number(column);
        JSetRegistryInt(ZenqConsoleRegistryKey, positionSetting + index, h->visualIndex(column));
        JSetRegistryInt(ZenqConsoleRegistryKey, widthSetting + index, h->sectionSize(column));
    }
}

void TZenqServiceTreeView::toggleFocusedNode()
{
    const QModelIndex node = currentIndex().siblingAtColumn(0);
    if (node.isValid())
        setExpanded(node, !isExpanded(node));
}

bool TZenqServiceTreeView::VSTServicesKeyAction(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool control = modifiers == Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        toggleFocusedNode(); // the tree's collapse or expand of the focused node
        return true;
    case Qt::Key_F5:
        m_operations->MENURefreshClick();
        return false;
    case Qt::Key_Delete:
        m_operations->MENUDeleteZenqApplicationClick();
        return false;
    case Qt::Key_Insert:
        if (control)
            m_operations->MENUNewFolderClick();
        else
            m_operations->MENUNewZenqApplicationClick();
        return false;
    case Qt::Key_X:
        if (!control)
            return false;
        m_operations->MENUCutClick();
        return true;
    case Qt::Key_C:
        if (!control)
            return false;
        m_operations->MENUCopyClick();
        return true;
    case Qt::Key_V:
        if (!control)
            return false;
        m_operations->MENUPasteClick();
        return true;
    default:
        return false;
    }
}

void TZenqServiceTreeView::keyPressEvent(QKeyEvent *event)
{
    if (VSTServicesKeyAction(event)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TZenqServiceTreeView::startDrag(Qt::DropActions supportedActions)
{
    // The node travels as the focused node; the data only marks the drag as ours.
    const QModelIndex node = currentIndex();
    if (!node.isValid())
        return;
    auto *mime = new QMimeData;
    mime->setData(dragFormat, QByteArray());
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(supportedActions & (Qt::MoveAction | Qt::CopyAction), Qt::MoveAction);
}

bool TZenqServiceTreeView::acceptsDrop(QDropEvent *event) const
{
    if (event->source() != this || !event->mimeData()->hasFormat(dragFormat))
        return false;
    const QModelIndex target = indexAt(event->position().toPoint()).siblingAtColumn(0);
    const bool control = event->modifiers() & Qt::ControlModifier;
    return m_operations->VSTServicesDragOver(target, control);
}

void TZenqServiceTreeView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this && event->mimeData()->hasFormat(dragFormat))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TZenqServiceTreeView::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeView::dragMoveEvent(event); // auto-scroll and auto-expand
    if (acceptsDrop(event)) {
        event->setDropAction(event->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TZenqServiceTreeView::dropEvent(QDropEvent *event)
{
    if (!acceptsDrop(event)) {
        event->ignore();
        return;
    }
    const QModelIndex target = indexAt(event->position().toPoint()).siblingAtColumn(0);
    const bool copy = event->modifiers() & Qt::ControlModifier;
    event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
    m_operations->VSTServicesDragDrop(target, copy);
}
