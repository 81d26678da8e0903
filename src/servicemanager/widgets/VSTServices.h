#pragma once
// The service tree control: a tree view over the service tree model with the six movable, resizable
// columns, gray detail columns and bold folder names, in-place rename of column 0, drag and drop within
// itself, and the service manager's keys. Owns the model and the operations. GUI thread only.
#include <QTreeView>

class TServiceTree;
class TServiceOperations;

class TZenqServiceTreeView final : public QTreeView
{
    Q_OBJECT
public:
    explicit TZenqServiceTreeView(QWidget *parent = nullptr);
    ~TZenqServiceTreeView() override;

    TServiceTree &tree() { return *m_tree; }
    TServiceOperations &operations() { return *m_operations; }

    // Column order and widths from and to the settings "VSTServicesColumnPosition" / "VSTServicesColumnWidth"
    // followed by the column index; a missing value keeps the column as it is.
    void readColumnSettings();
    void writeColumnSettings() const;

    // The keys of the service manager, before the tree's own handling; true when the tree's handling
    // is suppressed.
    bool VSTServicesKeyAction(QKeyEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool acceptsDrop(QDropEvent *event) const;
    void applyTreeState();
    void toggleFocusedNode();

    TServiceTree *m_tree = nullptr;
    TServiceOperations *m_operations = nullptr;
    bool m_syncing = false;
    int m_paintHolds = 0;
};
