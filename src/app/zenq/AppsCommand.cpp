// zenq apps: the service manager's tree and its changes for scripts, through the same operations.
#include "Command.h"

#include "framework/ZenqUserInterface.h"
#include "servicemanager/ServiceOperations.h"
#include "servicemanager/ServiceTree.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

namespace {

constexpr const char *name = "apps";

// Prints the operations' messages; an "Error" fails the command. Questions are answered by --yes.
class CommandLineMessages final : public ZenqUserInterface
{
public:
    explicit CommandLineMessages(bool yes) : m_yes(yes) {}
    JMessageResult message(const QString &text, int flags) override { return messageWithCaption(QString(), text, flags); }
    JMessageResult messageWithCaption(const QString &caption, const QString &text, int flags) override
    {
        const bool question = (flags & 0xF) == static_cast<int>(JMessageFlag::OkCancel);
        if (question) {
            zenqtool::err() << text << (m_yes ? " yes (--yes)" : " no (confirm with --yes)") << "\n";
            zenqtool::err().flush();
            if (!m_yes)
                declined = true;
            return m_yes ? JMessageResult::Ok : JMessageResult::Cancel;
        }
        zenqtool::err() << (caption.isEmpty() ? QString() : caption + QStringLiteral(": ")) << text << "\n";
        zenqtool::err().flush();
        if (caption != QLatin1String("Warning"))
            failed = true;
        return JMessageResult::Ok;
    }
    bool inputQuery(const QString &, const QString &, QString &) override { return false; }
    bool inputQueryWithPreviousValues(const QString &, const QString &, QString &, const QStringList &) override { return false; }
    void waitCursor() override {}
    void defaultCursor() override {}
    int showProgressMessage(const QString &) override { return 0; }
    void closeProgressMessage(int) override {}
    void bringToFront() override {}
    bool failed = false;
    bool declined = false;

private:
    bool m_yes;
};

class ScopedMessages
{
public:
    explicit ScopedMessages(bool yes)
    {
        auto ui = std::make_unique<CommandLineMessages>(yes);
        messages = ui.get();
        m_previous = ZenqSetUserInterface(std::move(ui));
    }
    ~ScopedMessages() { ZenqSetUserInterface(std::move(m_previous)); }
    CommandLineMessages *messages = nullptr;

private:
    std::unique_ptr<ZenqUserInterface> m_previous;
};

QString columnText(const TServiceTree &tree, const QModelIndex &node, int column)
{
    return tree.data(node.siblingAtColumn(column)).toString();
}

int depthOf(QModelIndex node)
{
    int depth = 0;
    while ((node = node.parent()).isValid())
        ++depth;
    return depth;
}

void printTree(const TServiceTree &tree)
{
    const QList<QModelIndex> nodes = tree.nodesInTreeOrder();
    QList<int> widths(TServiceTree::ColumnCount);
    for (int column = 0; column < TServiceTree::ColumnCount; ++column)
        widths[column] = int(TServiceTree::columnTitle(column).size());
    for (const QModelIndex &node : nodes) {
        widths[0] = std::max(widths[0], int(2 * depthOf(node) + columnText(tree, node, 0).size()));
        for (int column = 1; column < TServiceTree::ColumnCount; ++column)
            widths[column] = std::max(widths[column], int(columnText(tree, node, column).size()));
    }
    const auto printRow = [&widths](const QStringList &cells) {
        QString line;
        for (int column = 0; column < cells.size(); ++column)
            line += column + 1 < cells.size() ? cells.at(column).leftJustified(widths[column] + 2) : cells.at(column);
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        zenqtool::out() << line << '\n';
    };
    QStringList titles;
    for (int column = 0; column < TServiceTree::ColumnCount; ++column)
        titles << TServiceTree::columnTitle(column);
    printRow(titles);
    for (const QModelIndex &node : nodes) {
        QStringList cells { QString(2 * depthOf(node), QLatin1Char(' ')) + columnText(tree, node, 0) };
        for (int column = 1; column < TServiceTree::ColumnCount; ++column)
            cells << columnText(tree, node, column);
        printRow(cells);
    }
}

// Runs the deferred step that a paste or a rename scheduled, as the window's idle processing would.
void runDeferredStep(const TServiceOperations &operations)
{
    while (operations.deferredStepPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

int appsCommand(const QStringList &arguments)
{
    const QString verb = arguments.value(0);
    const bool yes = arguments.contains(QLatin1String("--yes"));
    QStringList rest = arguments.mid(1);
    rest.removeAll(QStringLiteral("--yes"));
    const QHash<QString, int> argumentCounts { { QStringLiteral("tree"), 0 },   { QStringLiteral("new-folder"), 1 },
                                               { QStringLiteral("rename"), 2 }, { QStringLiteral("move"), 2 },
                                               { QStringLiteral("delete"), 1 } };
    if (!argumentCounts.contains(verb) || argumentCounts.value(verb) != rest.size() || (yes && verb != QLatin1String("delete")))
        return zenqtool::usageError(name, QStringLiteral("expected tree, new-folder PARENT, rename OLD NEW, move NAME NEWPARENT "
                                                         "or delete NAME [--yes]"));
    ScopedMessages scoped(yes);
    TServiceTree tree;
    TServiceOperations operations(tree);
    tree.BuildTree(QString(), QString(), false);
    if (verb == QLatin1String("tree")) {
        printTree(tree);
        return 0;
    }
    const auto focus = [&tree](const QString &application) {
        tree.SelectNodeByName(application, QString());
        const TServiceNodeData *record = tree.focusedRecord();
        return record && record->Name == application;
    };
    const QString subject = rest.first();
    if (!focus(subject))
        return zenqtool::failure(name, QStringLiteral("there is no application named '%1'").arg(subject));
    const TServiceNodeData subjectRecord = *tree.focusedRecord();
    QString done;
    if (verb == QLatin1String("new-folder")) {
        const QList<QModelIndex> before = tree.nodesInTreeOrder();
        operations.MENUNewFolderClick();
        const TServiceNodeData *created = tree.focusedRecord();
        if (!created || tree.nodesInTreeOrder().size() == before.size())
            return zenqtool::failure(name, QStringLiteral("no folder could be created under '%1'").arg(subject));
        done = QStringLiteral("created folder '%1' under '%2'").arg(created->Name, subject);
    } else if (verb == QLatin1String("rename")) {
        if (!TServiceOperations::CanRename(&subjectRecord))
            return zenqtool::failure(name, QStringLiteral("'%1' may not be renamed from the console").arg(subject));
        operations.VSTServicesNewText(tree.focusedNode(), rest.at(1));
        runDeferredStep(operations);
        done = QStringLiteral("renamed '%1' to '%2'").arg(subject, rest.at(1));
    } else if (verb == QLatin1String("move")) {
        if (!TServiceOperations::CanCut(&subjectRecord))
            return zenqtool::failure(name, QStringLiteral("'%1' cannot be moved").arg(subject));
        const QString oldParent = tree.GetFocusedNames().second;
        operations.MENUCutClick();
        if (!focus(rest.at(1)))
            return zenqtool::failure(name, QStringLiteral("there is no application named '%1'").arg(rest.at(1)));
        if (!operations.CanPaste(operations.clipboardNode(), false, tree.focusedNode()))
            return zenqtool::failure(name, QStringLiteral("'%1' cannot be moved onto itself").arg(subject));
        if (oldParent.isEmpty())
            return zenqtool::failure(name, QStringLiteral("'%1' has no parent to move it from").arg(subject));
        operations.MENUPasteClick();
        runDeferredStep(operations);
        done = QStringLiteral("moved '%1' from '%2' to '%3'").arg(subject, oldParent, rest.at(1));
    } else {
        if (!TServiceOperations::CanDelete(&subjectRecord))
            return zenqtool::failure(name, QStringLiteral("'%1' may not be deleted from the console").arg(subject));
        const qsizetype below = tree.nodesInTreeOrder(tree.focusedNode()).size() - 1;
        operations.MENUDeleteZenqApplicationClick();
        if (scoped.messages->declined)
            return 1;
        done = below == 0 ? QStringLiteral("deleted '%1'").arg(subject)
               : below == 1 ? QStringLiteral("deleted '%1' and the application below it").arg(subject)
                            : QStringLiteral("deleted '%1' and the %2 applications below it").arg(subject).arg(below);
    }
    if (scoped.messages->failed)
        return 1;
    zenqtool::out() << done << '\n';
    return 0;
}

} // namespace

ZENQ_COMMAND("apps", "tree | new-folder PARENT | rename OLD NEW | move NAME NEWPARENT | delete NAME [--yes]",
             "The service manager's application tree: print it with its six columns, or change it as the tree's\n"
             "commands do (a new folder, a rename of files, sources, project groups and database rows, a move to\n"
             "another parent, a delete of an application and everything below it). A question is answered no\n"
             "unless --yes is given; the window's messages are printed, and an error exits with 1.",
             appsCommand);
