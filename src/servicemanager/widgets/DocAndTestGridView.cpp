#include "DocAndTestGridView.h"

#include "dialogs/ZenqMemoForm.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqUserInterface.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>

// The in-place editor (F2) shows the cell read-only: its caret and selection only say where the next typed
// character goes, and every change goes through the cell editor dialog.
class TDocAndTestGridDelegate final : public QStyledItemDelegate
{
public:
    explicit TDocAndTestGridDelegate(TDocAndTestGridView *view) : QStyledItemDelegate(view), m_view(view) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setReadOnly(true);
        editor->setFrame(false);
        m_view->m_inPlaceEditor = editor;
        return editor;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QLineEdit *>(editor)->setText(index.data(Qt::DisplayRole).toString());
    }
    // Its text is the display text (line breaks removed); writing it back would lose them.
    void setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const override {}

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && m_view->GridKeyPress(static_cast<QKeyEvent *>(event)))
            return true;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TDocAndTestGridView *m_view;
};

namespace {

// The row indicator: a triangle at the current row, "*" (the model's header text) at a row not stored yet.
class TRowIndicator final : public QHeaderView
{
public:
    explicit TRowIndicator(TDocAndTestGridView *view) : QHeaderView(Qt::Vertical, view), m_view(view) {}

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        if (logicalIndex != m_view->currentIndex().row() || logicalIndex == m_view->tableModel().pendingRow())
            return;
        QStyleOption option;
        option.initFrom(this);
        const int side = qMin(rect.width(), rect.height()) * 2 / 3;
        option.rect = QRect(0, 0, side, side);
        option.rect.moveCenter(rect.center());
        painter->save();
        style()->drawPrimitive(QStyle::PE_IndicatorArrowRight, &option, painter, this);
        painter->restore();
    }

private:
    TDocAndTestGridView *m_view;
};

const TZenqGridColumn *findColumn(const TZenqGridColumns &columns, const QString &fieldName)
{
    for (const TZenqGridColumn &column : columns)
        if (column.fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return &column;
    return nullptr;
}

bool isInside(const QWidget *widget, const QWidget *ancestor)
{
    for (; widget; widget = widget->parentWidget())
        if (widget == ancestor)
            return true;
    return false;
}

} // namespace

TDocAndTestGridView::TDocAndTestGridView(TDocAndTestTable table, QWidget *parent)
    : QTableView(parent), m_model(new TDocAndTestTableModel(table, this))
{
    setVerticalHeader(new TRowIndicator(this));
    setItemDelegate(new TDocAndTestGridDelegate(this));
    setModel(m_model);

    setShowGrid(true);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setTabKeyNavigation(true);

    QHeaderView *titles = horizontalHeader();
    titles->setSectionsMovable(true);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setHighlightSections(false);
    titles->setDefaultSectionSize(defaultColumnWidth);

    QHeaderView *indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultSectionSize(fontMetrics().height() + 6);
    indicator->setFixedWidth(fontMetrics().height() + 4);
    indicator->setHighlightSections(false);

    // Moved and resized columns outlive a reopening, as the grid's stored columns do.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (m_model->columnCount() > 0)
            m_layout = layoutFromHeader();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { applyLayout(); });
}

TDocAndTestGridView::~TDocAndTestGridView() = default;

bool TDocAndTestGridView::EditCellInDialog(const QString &serviceName, int selectionLength, int caretPosition,
                                           std::optional<QChar> typedCharacter)
{
    if (serviceName.isEmpty() || !m_model->isOpen())
        return false;
    const QPersistentModelIndex cell = currentIndex();
    if (!cell.isValid())
        return false;

    const int maxLength = m_model->maxLength(cell.column());
    QString text = m_model->storedText(cell.row(), cell.column());
    int editorCaret = caretPosition;
    if (typedCharacter) {
        text = ZenqInsertTypedCharacter(text, caretPosition, selectionLength, *typedCharacter);
        // The caret belongs behind the typed character, also when it was put before the text.
        editorCaret = qMax(caretPosition, 0);
    }

    m_inDialog = true;
    const bool confirmed = ::EditTextInDialog(viewport(), visualRect(cell), QStringLiteral("Ok"), maxLength,
                                              editorCaret, text, QStringLiteral("Cancel"),
                                              TZenqScrollStyle::ssVertical);
    m_inDialog = false;
    setFocus();
    if (!confirmed || !cell.isValid())
        return false;
    QString error;
    if (!m_model->writeCell(cell.row(), cell.column(), text, &error)) {
        JUserMessage(error, static_cast<int>(JMessageFlag::IconError));
        return false;
    }
    return true;
}

bool TDocAndTestGridView::GridKeyPress(QKeyEvent *event)
{
    const TGridKey key = ZenqClassifyGridKey(event->key(), event->modifiers(), event->text());
    switch (key.action) {
    case TGridKeyAction::PassThrough:
        return false;
    case TGridKeyAction::DeleteRecord:
        closeInPlaceEditor();
        deleteCurrentRecord();
        return true;
    case TGridKeyAction::OpenEditor:
        break;
    }
    TGridCaret caret;
    if (m_inPlaceEditor) {
        const QModelIndex cell = currentIndex();
        const bool selected = m_inPlaceEditor->hasSelectedText();
        caret = ZenqGridCaret(m_model->storedText(cell.row(), cell.column()), true,
                              selected ? m_inPlaceEditor->selectionStart() : m_inPlaceEditor->cursorPosition(),
                              selected ? m_inPlaceEditor->selectionLength() : 0, key.typed.has_value());
        closeInPlaceEditor();
    }
    EditCellInDialog(m_model->serviceName(), caret.selectionLength, caret.caretPosition, key.typed);
    return true;
}

bool TDocAndTestGridView::deleteCurrentRecord()
{
    int row = currentIndex().row();
    if (!m_model->isOpen() || row < 0)
        return false;
    if (row == m_model->pendingRow()) {
        m_model->cancelPendingRow();
        return true;
    }
    const QString service = m_model->serviceName();
    const int keyColumn = m_model->columnOf(m_model->keyFieldName());
    const QString key = m_model->storedText(row, keyColumn);
    if (JUserMessage(QStringLiteral("Delete record?"),
                     static_cast<int>(JMessageFlag::OkCancel) | static_cast<int>(JMessageFlag::IconQuestion))
        != JMessageResult::Ok)
        return false;
    // The box ran events: the grid may have been reloaded meanwhile; the confirmed record is found again.
    if (!m_model->isOpen() || m_model->serviceName() != service)
        return false;
    if (m_model->storedText(row, keyColumn) != key && (row = m_model->rowOfKey(key)) < 0)
        return false;
    if (beforeDelete) {
        beforeDelete(row);
        return true;
    }
    QString error;
    if (!m_model->deleteRecord(row, &error)) {
        JUserMessage(error, static_cast<int>(JMessageFlag::IconError));
        return false;
    }
    return true;
}

void TDocAndTestGridView::keyPressEvent(QKeyEvent *event)
{
    if (GridKeyPress(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier && m_model->isOpen()) {
        insertNewRow();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_model->pendingRow() >= 0) {
        m_model->cancelPendingRow();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDocAndTestGridView::insertNewRow()
{
    const QModelIndex current = currentIndex();
    const int row = m_model->insertPendingRow(current.isValid() ? current.row() : m_model->rowCount());
    if (row < 0)
        return;
    int column = current.isValid() ? current.column() : -1;
    if (column < 0 || isColumnHidden(column))
        column = m_model->columnOf(m_model->keyFieldName());
    setCurrentIndex(m_model->index(row, column));
}

void TDocAndTestGridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Only a data cell: the titles and the row indicator are other widgets, and empty space has no index.
    const QModelIndex cell = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !cell.isValid()) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    setCurrentIndex(cell);
    EditCellInDialog(m_model->serviceName(), 0, -1, std::nullopt);
    event->accept();
}

void TDocAndTestGridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    verticalHeader()->viewport()->update();
    // A new row left without a name is dropped, as the grid cancels an unposted insert.
    const int pending = m_model->pendingRow();
    if (pending >= 0 && current.row() != pending && !m_inDialog)
        m_model->cancelPendingRow();
}

void TDocAndTestGridView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    // Leaving the grid for another control drops a new row without a name; switching windows does not.
    if (m_model->pendingRow() < 0 || m_inDialog || event->reason() == Qt::ActiveWindowFocusReason
        || event->reason() == Qt::PopupFocusReason || isInside(QApplication::focusWidget(), this))
        return;
    m_model->cancelPendingRow();
}

void TDocAndTestGridView::closeInPlaceEditor()
{
    if (!m_inPlaceEditor)
        return;
    QLineEdit *editor = m_inPlaceEditor;
    m_inPlaceEditor = nullptr;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    setFocus();
}

TZenqGridColumns TDocAndTestGridView::layoutFromHeader() const
{
    const QHeaderView *titles = horizontalHeader();
    TZenqGridColumns columns;
    for (int visual = 0; visual < titles->count(); ++visual) {
        const int logical = titles->logicalIndex(visual);
        const QString name = m_model->fieldName(logical);
        const bool visible = !titles->isSectionHidden(logical);
        int width = titles->sectionSize(logical);
        if (!visible) {
            // A hidden section reports no width; keep the one it had.
            const TZenqGridColumn *known = findColumn(m_layout, name);
            width = known && known->width > 0 ? known->width : defaultColumnWidth;
        }
        columns << TZenqGridColumn { name, width, visible };
    }
    return columns;
}

void TDocAndTestGridView::applyLayout()
{
    const int count = m_model->columnCount();
    if (count == 0)
        return;
    QHeaderView *titles = horizontalHeader();
    QList<int> order;
    for (const TZenqGridColumn &column : std::as_const(m_layout)) {
        const int logical = m_model->columnOf(column.fieldName);
        if (logical >= 0 && !order.contains(logical))
            order << logical;
    }
    for (int logical = 0; logical < count; ++logical)
        if (!order.contains(logical))
            order << logical;
    for (int visual = 0; visual < count; ++visual)
        titles->moveSection(titles->visualIndex(order.at(visual)), visual);
    for (int logical = 0; logical < count; ++logical) {
        const TZenqGridColumn *stored = findColumn(m_layout, m_model->fieldName(logical));
        setColumnHidden(logical, false);
        titles->resizeSection(logical, stored && stored->width > 0 ? stored->width : defaultColumnWidth);
        setColumnHidden(logical, m_model->isHidden(logical) || (stored && !stored->visible));
    }
}

TZenqGridColumns TDocAndTestGridView::columnLayout() const
{
    return m_model->columnCount() > 0 ? layoutFromHeader() : m_layout;
}

void TDocAndTestGridView::setColumnLayout(const TZenqGridColumns &columns)
{
    m_layout = columns;
    applyLayout();
}

void TDocAndTestGridView::saveUserColumns() const
{
    if (suspendLayouts || objectName().isEmpty())
        return;
    const TZenqGridColumns columns = columnLayout();
    if (!columns.isEmpty())
        JSetUserRegistryDBGridColumns(ZenqConsoleRegistryKey, QLatin1Char('#') + objectName(), columns);
}

bool TDocAndTestGridView::loadUserColumns()
{
    if (suspendLayouts || objectName().isEmpty())
        return false;
    TZenqGridColumns columns;
    if (!JGetUserRegistryDBGridColumns(ZenqConsoleRegistryKey, QLatin1Char('#') + objectName(), columns))
        return false;
    setColumnLayout(columns);
    return true;
}

void TDocAndTestGridView::saveColumns() const
{
    if (objectName().isEmpty())
        return;
    const TZenqGridColumns columns = columnLayout();
    if (!columns.isEmpty())
        JSetRegistryDBGridColumns(ZenqConsoleRegistryKey, objectName(), columns);
}

bool TDocAndTestGridView::loadColumns()
{
    TZenqGridColumns columns;
    if (objectName().isEmpty() || !JGetRegistryDBGridColumns(ZenqConsoleRegistryKey, objectName(), columns))
        return false;
    setColumnLayout(columns);
    return true;
}
