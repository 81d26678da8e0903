#include "ServiceTree.h"

#include "framework/ZenqApplications.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqUserInterface.h"

#include <QHash>

namespace {

const QString rootApplication = QStringLiteral("ZenqApplications");

// Ends the model's bracket on every path, so an error while building leaves a usable (if empty) model.
class RebuildBracket
{
public:
    explicit RebuildBracket(std::function<void()> end) : m_end(std::move(end)) {}
    ~RebuildBracket() { m_end(); }
    RebuildBracket(const RebuildBracket &) = delete;
    RebuildBracket &operator=(const RebuildBracket &) = delete;

private:
    std::function<void()> m_end;
};

} // namespace

struct TServiceTree::Node
{
    TServiceNodeData data;
    Node *parent = nullptr;
    int row = 0;
    bool expanded = false;
    std::vector<std::unique_ptr<Node>> children;
};

const QStringList &ZenqServiceNodePropertyNames()
{
    static const QStringList names { QStringLiteral("Author"),       QStringLiteral("Comment"),
                                     QStringLiteral("ServiceType"),  QStringLiteral("DateModified"),
                                     QStringLiteral(".Zenq"),        QStringLiteral(".Zenqc"),
                                     QStringLiteral("ProjectGroupFile"), QStringLiteral("IsFolder"),
                                     QStringLiteral("IsService"),    QStringLiteral("IsRemoveableFromConsole") };
    return names;
}

void ReadServiceNode(const TZenqEasyTree &projectGroups, TServiceNodeData &record, const QString &name)
{
    QStringList values;
    ZenqGetStandardProperties(ZenqGetApplicationsBinDir(), name, ZenqServiceNodePropertyNames(), projectGroups, values);
    values.resize(ZenqServiceNodePropertyNames().size());
    record.Name = name;
    record.Author = values.at(0);
    record.Comment = values.at(1);
    record.ServiceType = values.at(2);
    record.DateModified = values.at(3);
    record.ZenqFile = values.at(4);
    record.ZenqcFile = values.at(5);
    record.ProjectGroupFile = values.at(6);
    record.ProjectGroup = JVeryPureFileName(values.at(6));
    // Flags are on only for exactly "1".
    record.IsFolder = values.at(7) == QLatin1String("1");
    record.IsService = values.at(8) == QLatin1String("1");
    record.IsRemoveableFromConsole = values.at(9) == QLatin1String("1");
}

const QString &TServiceTree::columnTitle(int column)
{
    static const QString titles[ColumnCount] = { QStringLiteral("Name"),          QStringLiteral("Author"),
                                                 QStringLiteral("Comment"),       QStringLiteral("Type"),
                                                 QStringLiteral("Date Modified"), QStringLiteral("Projectgroup") };
    static const QString none;
    return column >= 0 && column < ColumnCount ? titles[column] : none;
}

int TServiceTree::designWidth(int column)
{
    static constexpr int widths[ColumnCount] = { 250, 110, 200, 165, 120, 200 };
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

TServiceTree::TServiceTree(QObject *parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Node>())
{
}

TServiceTree::~TServiceTree() = default;

void TServiceTree::addLevel(const TZenqEasyTree &names, const TZenqEasyTree &projectGroups, Node &parent)
{
    for (int i = 0; i < names.count(); ++i) {
        auto node = std::make_unique<Node>();
        node->parent = &parent;
        node->row = int(parent.children.size());
        ReadServiceNode(projectGroups, node->data, names.nameAt(i));
        Node &added = *node;
        parent.children.push_back(std::move(node));
        ++m_nodeCount;
        if (const TZenqEasyTree *below = names._GetSubTreeAt(i))
            addLevel(*below, projectGroups, added); // depth first: parents before children
    }
}

void TServiceTree::BuildTree(const QString &focusName, const QString &parentName, bool fromRefresh)
{
    if (fromRefresh && forgetNodes)
        forgetNodes();
    if (resetGrids)
        resetGrids();
    TZenqEasyTree applications(true, true);
    ZenqGetAllZenq(applications, ZenqGetApplicationsBinDir(), rootApplication);
    Q_EMIT rebuildStarted();
    {
        beginResetModel();
        RebuildBracket bracket([this] {
            endResetModel();
            Q_EMIT rebuildFinished();
        });
        m_focused = nullptr;
        m_root->children.clear();
        m_nodeCount = 0;
        TZenqEasyTree projectGroups(true, true);
        ZenqGetAllProjectgroupsAsTree(ZenqGetRootDir(), projectGroups);
        addLevel(applications, projectGroups, *m_root);
        if (!m_root->children.empty())
            m_root->children.front()->expanded = true;
    }
    SelectNodeByName(focusName, parentName);
}

void TServiceTree::RefreshTree(const QString &nameToSelect)
{
    JWaitCursorScope wait;
    ZenqServices_ApplicationParameterChanged_ClearCache();
    // The first node of a name decides for every node of that name.
    QHash<QString, bool> expandedByName;
    for (const QModelIndex &node : nodesInTreeOrder()) {
        const Node *n = nodeOf(node);
        if (!expandedByName.contains(n->data.Name))
            expandedByName.insert(n->data.Name, n->expanded);
    }
    QString focusName = nameToSelect;
    QString parentName;
    if (nameToSelect.isEmpty())
        std::tie(focusName, parentName) = GetFocusedNames();
    if (closeGrids)
        closeGrids();
    BuildTree(focusName, parentName, true);
    for (const QModelIndex &node : nodesInTreeOrder())
        if (expandedByName.value(nodeOf(node)->data.Name) && !isExpanded(node))
            setExpanded(node, true);
}

void TServiceTree::SelectNodeByName(const QString &focusName, const QString &parentName)
{
    QModelIndex found = focusName.isEmpty() ? QModelIndex() : FindNodeByName(focusName);
    if (!found.isValid() && !parentName.isEmpty())
        found = FindNodeByName(parentName);
    FocusNode(found);
}

QModelIndex TServiceTree::FindNodeByName(const QString &name) const
{
    // Names compare exactly, as the framework writes them.
    for (const QModelIndex &node : nodesInTreeOrder())
        if (nodeOf(node)->data.Name == name)
            return node;
    return {};
}

void TServiceTree::FocusNode(const QModelIndex &node)
{
    Node *n = node.isValid() ? nodeOf(node) : nullptr;
    if (n) {
        for (Node *above = n->parent; above && above != m_root.get(); above = above->parent)
            if (!above->expanded)
                setExpanded(indexOf(above), true);
        if (!n->expanded)
            setExpanded(indexOf(n), true);
    }
    m_focused = n;
    Q_EMIT focusChanged(n ? indexOf(n) : QModelIndex());
}

void TServiceTree::setFocusedNode(const QModelIndex &node)
{
    Node *n = node.isValid() ? nodeOf(node) : nullptr;
    if (n == m_focused)
        return;
    m_focused = n;
    Q_EMIT focusChanged(n ? indexOf(n) : QModelIndex());
}

std::pair<QString, QString> TServiceTree::GetFocusedNames() const
{
    if (!m_focused)
        return {};
    const Node *parent = m_focused->parent;
    return { m_focused->data.Name, parent && parent != m_root.get() ? parent->data.Name : QString() };
}

QModelIndex TServiceTree::focusedNode() const
{
    return m_focused ? indexOf(m_focused) : QModelIndex();
}

const TServiceNodeData *TServiceTree::focusedRecord() const
{
    return m_focused ? &m_focused->data : nullptr;
}

const TServiceNodeData *TServiceTree::record(const QModelIndex &node) const
{
    const Node *n = node.isValid() ? nodeOf(node) : nullptr;
    return n ? &n->data : nullptr;
}

bool TServiceTree::isExpanded(const QModelIndex &node) const
{
    return node.isValid() && nodeOf(node)->expanded;
}

void TServiceTree::setExpanded(const QModelIndex &node, bool expanded)
{
    if (!node.isValid())
        return;
    Node *n = nodeOf(node);
    if (n->expanded == expanded)
        return;
    n->expanded = expanded;
    Q_EMIT expandedChanged(indexOf(n), expanded);
}

QList<QModelIndex> TServiceTree::nodesInTreeOrder(const QModelIndex &below) const
{
    QList<QModelIndex> nodes;
    nodes.reserve(below.isValid() ? 16 : m_nodeCount);
    const std::function<void(const Node &)> walk = [&](const Node &node) {
        for (const auto &child : node.children) {
            nodes << indexOf(child.get());
            walk(*child);
        }
    };
    if (below.isValid()) {
        nodes << below.siblingAtColumn(0);
        walk(*nodeOf(below));
    } else {
        walk(*m_root);
    }
    return nodes;
}

bool TServiceTree::isBelow(const QModelIndex &node, const QModelIndex &ancestor) const
{
    if (!node.isValid() || !ancestor.isValid())
        return false;
    const Node *a = nodeOf(ancestor);
    for (const Node *n = nodeOf(node)->parent; n; n = n->parent)
        if (n == a)
            return true;
    return false;
}

TServiceTree::Node *TServiceTree::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : m_root.get();
}

QModelIndex TServiceTree::indexOf(const Node *node, int column) const
{
    if (!node || node == m_root.get())
        return {};
    return createIndex(node->row, column, const_cast<Node *>(node));
}

QModelIndex TServiceTree::index(int row, int column, const QModelIndex &parent) const
{
    const Node *p = nodeOf(parent);
    if (row < 0 || column < 0 || column >= ColumnCount || size_t(row) >= p->children.size())
        return {};
    return createIndex(row, column, p->children[size_t(row)].get());
}

QModelIndex TServiceTree::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    return indexOf(nodeOf(child)->parent);
}

int TServiceTree::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int TServiceTree::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant TServiceTree::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const TServiceNodeData &d = nodeOf(index)->data;
    if (role == IsFolderRole)
        return d.IsFolder;
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case 0: return d.Name;
    case 1: return d.Author;
    case 2: return d.Comment;
    case 3: return d.ServiceType;
    case 4: return d.DateModified;
    case 5: return d.ProjectGroup;
    default: return {};
    }
}

QVariant TServiceTree::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnTitle(section);
    return {};
}

Qt::ItemFlags TServiceTree::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (index.column() == 0 && canEdit && canEdit(nodeOf(index)->data))
        result |= Qt::ItemIsEditable;
    return result;
}

bool TServiceTree::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // The record keeps its name: the rename happens later, from the file work and a rebuild.
    if (!index.isValid() || index.column() != 0 || role != Qt::EditRole)
        return false;
    if (newText)
        newText(index.siblingAtColumn(0), value.toString());
    return true;
}
