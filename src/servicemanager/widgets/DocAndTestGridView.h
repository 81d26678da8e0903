#pragma once
// The grid of the samples or the tests of one service in the service manager: a table view over its own
// TDocAndTestTableModel with a row indicator, column lines, movable and resizable columns, and cells that
// are edited only in the cell editor dialog. GUI thread only; not thread-safe.
//
// The window owns the layout around the grid, opens and closes the model, and decides what deleting a
// sample means (`beforeDelete`). Keys: any typed character, Backspace or Ctrl+letter opens the cell editor;
// F2 opens a read-only in-place editor whose caret and selection the next typed character uses; Insert
// adds a new row that is stored once it has a name; Ctrl+Delete deletes the current row after asking.
#include "framework/ZenqGridColumns.h"
#include "servicemanager/DocAndTestGrid.h"

#include <QLineEdit>
#include <QPointer>
#include <QTableView>

#include <functional>
#include <optional>

class TDocAndTestGridView final : public QTableView
{
    Q_OBJECT

public:
    explicit TDocAndTestGridView(TDocAndTestTable table, QWidget *parent = nullptr);
    ~TDocAndTestGridView() override;
    TDocAndTestGridView(const TDocAndTestGridView &) = delete;
    TDocAndTestGridView &operator=(const TDocAndTestGridView &) = delete;

    TDocAndTestTableModel &tableModel() const { return *m_model; }

    // Edits the current cell in the cell editor below it. A typed character replaces the selection
    // (`caretPosition` characters kept in front, `selectionLength` replaced; caret -1 puts it before the
    // text) and the caret stands behind it. True when the user confirmed and the cell was written; a
    // failed write is reported with JUserMessage. Does nothing for an empty service name.
    bool EditCellInDialog(const QString &serviceName, int selectionLength, int caretPosition,
                          std::optional<QChar> typedCharacter);
    // The key handling of the grid and its in-place editor; true when the key was used (swallowed).
    // Navigation, Tab, Enter, Esc, Insert and F2 keep their meaning in the grid and return false.
    bool GridKeyPress(QKeyEvent *event);
    // Asks "Delete record?" (OK/Cancel) for the current row; on OK calls `beforeDelete`, or without one
    // deletes the row from its table. A row not stored yet is dropped without asking.
    bool deleteCurrentRecord();

    // Replaces the grid's own delete after the confirmation (the samples grid deletes by statement and
    // reloads). Gets the model row.
    std::function<void(int row)> beforeDelete;
    // The export flag: while set, saveUserColumns and loadUserColumns do nothing.
    bool suspendLayouts = false;

    // Columns in display order with their widths and visibility; while the model is closed, the layout
    // that the next opening applies.
    TZenqGridColumns columnLayout() const;
    // Applies now if open, else at the next opening. Fields missing from it follow in table order.
    void setColumnLayout(const TZenqGridColumns &columns);
    // The layout under the console's settings key and the value name "#" + object name.
    void saveUserColumns() const;
    bool loadUserColumns();
    // The layout under the object name alone (at the window's creation and close).
    void saveColumns() const;
    bool loadColumns();

    // The open in-place editor (F2), or null.
    QLineEdit *inPlaceEditor() const { return m_inPlaceEditor; }

    static constexpr int defaultColumnWidth = 150;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class TDocAndTestGridDelegate;

    TZenqGridColumns layoutFromHeader() const;
    void applyLayout();
    void closeInPlaceEditor();
    void insertNewRow();

    TDocAndTestTableModel *m_model = nullptr;
    TZenqGridColumns m_layout;
    QPointer<QLineEdit> m_inPlaceEditor;
    bool m_inDialog = false;
};
