#pragma once
// The service tree: the installation's applications as a six-column tree model whose nodes carry the
// application's standard properties, with the expanded and focused state that the view mirrors. Built
// and rebuilt as a whole; no widgets. UI thread only.
#include <QAbstractItemModel>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TZenqEasyTree;

// What a node knows of its application.
struct TServiceNodeData
{
    QString Name;
    QString Author;
    QString Comment;
    QString ServiceType;
    QString DateModified;
    QString ZenqFile;         // full name of N.Zenq, or empty
    QString ZenqcFile;        // full name of N.Zenqc, or empty
    QString ProjectGroupFile; // full name of the project-group file that builds it, or empty
    QString ProjectGroup;     // its bare name
    bool IsFolder = false;
    bool IsService = false;
    bool IsRemoveableFromConsole = false;
};

// The ten standard property names, in the order ReadServiceNode asks for them.
const QStringList &ZenqServiceNodePropertyNames();
// Fills the record of the application `name` with one read of its properties.
void ReadServiceNode(const TZenqEasyTree &projectGroups, TServiceNodeData &record, const QString &name);

class TServiceTree final : public QAbstractItemModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = 6;
    static const QString &columnTitle(int column);
    static int designWidth(int column);
    // Node records for the view: IsFolder of the node (column 0 bold).
    static constexpr int IsFolderRole = Qt::UserRole + 1;

    explicit TServiceTree(QObject *parent = nullptr);
    ~TServiceTree() override;

    // Builds the tree of "ZenqApplications" and focuses the node `focusName`, else `parentName`, else none.
    // From a refresh, the nodes remembered elsewhere are forgotten first (`forgetNodes`).
    void BuildTree(const QString &focusName, const QString &parentName, bool fromRefresh);
    // Rebuilds with a wait cursor, keeping expanded what was expanded (by name) and focusing
    // `nameToSelect`, or the focused node again by name when it is empty.
    void RefreshTree(const QString &nameToSelect = {});
    // Focuses the first node named `focusName` in tree order, else the first named `parentName`.
    void SelectNodeByName(const QString &focusName, const QString &parentName);
    // The first node in tree order whose name is exactly `name`, or an invalid index.
    QModelIndex FindNodeByName(const QString &name) const;
    // Makes the node visible, expanded and focused; runs the focus reaction also for no node.
    void FocusNode(const QModelIndex &node);
    // The user moved the focus (a click, the arrow keys): the focus reaction runs, nothing expands.
    void setFocusedNode(const QModelIndex &node);
    // The focused node's name and its parent's name (empty at the top level or with no focus).
    std::pair<QString, QString> GetFocusedNames() const;

    QModelIndex focusedNode() const;
    // The focused node's record, or null; valid until the next rebuild.
    const TServiceNodeData *focusedRecord() const;
    const TServiceNodeData *record(const QModelIndex &node) const;
    bool isExpanded(const QModelIndex &node) const;
    void setExpanded(const QModelIndex &node, bool expanded);
    // Nodes in tree order (parents before children), from `below` on (the whole tree for the root).
    QList<QModelIndex> nodesInTreeOrder(const QModelIndex &below = {}) const;
    // Whether `node` lies below `ancestor`.
    bool isBelow(const QModelIndex &node, const QModelIndex &ancestor) const;
    int nodeCount() const { return int(m_nodeCount); }

    // Hooks of the window: the grids' reset and close, the focus reaction, and forgetting the nodes
    // that the operations remember when a refresh rebuilds the tree.
    std::function<void()> resetGrids;
    std::function<void()> closeGrids;
    std::function<void()> forgetNodes;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Whether column 0 of the node may be edited in place (set by the operations: the rename rule).
    std::function<bool(const TServiceNodeData &)> canEdit;
    // The accepted text of an in-place edit of column 0.
    std::function<void(const QModelIndex &node, const QString &newText)> newText;

Q_SIGNALS:
    // The focused node changed, or the focus reaction was asked for again (invalid index: none).
    void focusChanged(const QModelIndex &node);
    void expandedChanged(const QModelIndex &node, bool expanded);
    // Before and after a rebuild, so that a view can hold its painting in between.
    void rebuildStarted();
    void rebuildFinished();

private:
    struct Node;
    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(const Node *node, int column = 0) const;
    void addLevel(const TZenqEasyTree &names, const TZenqEasyTree &projectGroups, Node &parent);

    std::unique_ptr<Node> m_root;
    Node *m_focused = nullptr;
    qsizetype m_nodeCount = 0;
};
