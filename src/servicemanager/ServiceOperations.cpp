#include "ServiceOperations.h"

#include "ZenqFramework_Utils.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqProcessStart.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqUserInterface.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"

#include <QFileInfo>
#include <QTimer>

namespace {

const QString rootApplication = QStringLiteral("ZenqApplications");

bool isRootApplication(const QString &name)
{
    return name.compare(rootApplication, Qt::CaseInsensitive) == 0;
}

// Runs a closing action on every path out of a step (the original's try/finally).
class Finally
{
public:
    explicit Finally(std::function<void()> action) : m_action(std::move(action)) {}
    ~Finally() { m_action(); }
    Finally(const Finally &) = delete;
    Finally &operator=(const Finally &) = delete;

private:
    std::function<void()> m_action;
};

} // namespace

TServiceOperations::TServiceOperations(TServiceTree &tree, QObject *parent)
    : QObject(parent), m_tree(tree)
{
    m_tree.forgetNodes = [this] { forgetNodes(); };
    m_tree.canEdit = [](const TServiceNodeData &record) { return CanRename(&record); };
    m_tree.newText = [this](const QModelIndex &node, const QString &text) { VSTServicesNewText(node, text); };
    startProgram = [](const QString &program, const QStringList &arguments) {
        QString error;
        if (JWinExec(program, arguments, JSW_SHOWNORMAL, 0, &error))
            return true;
        ZenqDS(QStringLiteral("%1 could not be started: %2").arg(program, error), 0);
        return false;
    };
}

void TServiceOperations::forgetNodes()
{
    m_clipboardNode = QPersistentModelIndex();
    m_renameNode = QPersistentModelIndex();
}

TServiceOperations::~TServiceOperations()
{
    if (!m_connectionName.isEmpty())
        QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase TServiceOperations::documentationDatabase()
{
    if (database)
        return database();
    if (!m_connectionName.isEmpty()) {
        QSqlDatabase existing = QSqlDatabase::database(m_connectionName);
        if (existing.isOpen())
            return existing;
    }
    if (!JDirExists(ZenqGetApplicationsDocAndTestDir()))
        return {}; // the tables are not in use; the statements are skipped
    // One connection per operations object: it belongs to one window and one installation.
    m_connectionName = QStringLiteral("ZenqServiceManager-%1").arg(quintptr(this), 0, 16);
    QString error;
    QSqlDatabase opened = ZenqOpenDocAndTestDatabase(m_connectionName, &error);
    if (!opened.isValid())
        ZenqDS(QStringLiteral("The documentation-and-test database cannot be opened: ") + error, 0);
    return opened;
}

// ---- Predicates ----

bool TServiceOperations::CanCut(const TServiceNodeData *record)
{
    return record && !isRootApplication(record->Name);
}

bool TServiceOperations::CanPaste(const QModelIndex &source, bool isCopy, const QModelIndex &target) const
{
    if (!m_tree.record(source) || !m_tree.record(target))
        return false;
    return isCopy || source.siblingAtColumn(0) != target.siblingAtColumn(0);
}

bool TServiceOperations::CanRename(const TServiceNodeData *record)
{
    if (!record || (record->ZenqFile.isEmpty() && record->ZenqcFile.isEmpty()))
        return false;
    if (record->IsFolder && isRootApplication(record->Name))
        return false;
    return record->IsRemoveableFromConsole;
}

bool TServiceOperations::CanDelete(const TServiceNodeData *record)
{
    return record && record->IsRemoveableFromConsole;
}

// ---- Deferred steps ----

void TServiceOperations::defer(void (TServiceOperations::*step)())
{
    // Run once from the next idle processing, after the tree event that asked for it has returned.
    m_deferredPending = true;
    QTimer::singleShot(0, this, [this, step] {
        Finally done([this] { m_deferredPending = false; });
        (this->*step)();
    });
}

// ---- Commands ----

void TServiceOperations::MENURefreshClick()
{
    Q_EMIT updateRequested();
    m_tree.RefreshTree();
}

void TServiceOperations::MENUNewFolderClick()
{
    NewFolder();
}

void TServiceOperations::NewFolder()
{
    const TServiceNodeData *record = m_tree.focusedRecord();
    if (!record)
        return;
    Q_EMIT updateRequested();
    QString parentFileName = QFileInfo(record->ZenqFile).fileName();
    if (parentFileName.trimmed().isEmpty())
        parentFileName = QFileInfo(record->ZenqcFile).fileName();
    const QString bin = ZenqGetApplicationsBinDir();
    const QString base = QStringLiteral("New Zenq-Folder");
    QString suffix;
    // Names are unique across the whole of Bin, not per parent.
    for (int counter = 1; JFileExists(JMakeFileName(bin, base + suffix + QStringLiteral(".Zenq")))
                          || JFileExists(JMakeFileName(bin, base + suffix + QStringLiteral(".Zenqc")));) {
        ++counter;
        suffix = QStringLiteral("(%1)").arg(counter);
    }
    CreateFolderFiles(parentFileName, base + suffix);
    m_tree.RefreshTree(base + suffix);
    StartRename();
}

void TServiceOperations::NewApplication(int kind)
{
    const TServiceNodeData *record = m_tree.focusedRecord();
    if (!record)
        return;
    Q_EMIT updateRequested();
    ZenqDeliveryReport report;
    const qint64 answer = ZenqInterCommunicateWith_AllWindowsOfAWindowClass(
        QStringLiteral("WM_ZenqFrameworkNewApplication"), ZenqWindowClass::FrameworkEngine,
        TZenqMessageOption::WaitCursor | TZenqMessageOption::BringToFront, false, quintptr(kind), record->Name, &report);
    const QString name = report.textAnswer ? JGlobalGetAtomAndDelete(quint16(answer)) : QString();
    m_tree.RefreshTree(name);
}

void TServiceOperations::MENUCutClick()
{
    if (!CanCut(m_tree.focusedRecord()))
        return;
    m_clipboardNode = m_tree.focusedNode();
    m_clipboardIsCopy = false;
}

void TServiceOperations::MENUCopyClick()
{
    m_clipboardNode = m_tree.focusedNode();
    m_clipboardIsCopy = true;
}

void TServiceOperations::MENUPasteClick()
{
    const QModelIndex source = m_clipboardNode;
    if (CanPaste(source, m_clipboardIsCopy, m_tree.focusedNode()))
        PasteNode(source, m_clipboardIsCopy, m_tree.focusedNode());
}

bool TServiceOperations::VSTServicesDragOver(const QModelIndex &target, bool controlHeld) const
{
    return (controlHeld || CanCut(m_tree.focusedRecord())) && CanPaste(m_tree.focusedNode(), controlHeld, target);
}

void TServiceOperations::VSTServicesDragDrop(const QModelIndex &target, bool copy)
{
    PasteNode(m_tree.focusedNode(), copy, target);
}

void TServiceOperations::PasteNode(const QModelIndex &source, bool isCopy, const QModelIndex &target)
{
    m_clipboardNode = QPersistentModelIndex(); // a paste consumes the mark, whatever follows
    const TServiceNodeData *sourceRecord = m_tree.record(source);
    const TServiceNodeData *targetRecord = m_tree.record(target);
    if (!sourceRecord || !targetRecord)
        return;
    if (!isCopy && m_tree.isBelow(target, source)) {
        JUserExtMessage(QStringLiteral("Error"), QStringLiteral("Cannot move ") + sourceRecord->Name
                                                     + QStringLiteral(": The destination is a sub-application of the source"));
        return;
    }
    const TServiceNodeData *parentRecord = m_tree.record(source.parent());
    if (!parentRecord) // a top-level node's parent is the invisible root
        return;
    Q_EMIT updateRequested();
    m_moveSourceName = sourceRecord->Name;
    m_moveSourceParentName = parentRecord->Name;
    m_moveTargetName = targetRecord->Name;
    m_moveIsCopy = isCopy;
    defer(&TServiceOperations::DoMoveOrCopy);
}

void TServiceOperations::DoMoveOrCopy()
{
    bool ok = false;
    JWaitCursor();
    Finally done([this, &ok] {
        JDefaultCursor();
        if (!ok)
            JUserExtMessage(QStringLiteral("Error"), QStringLiteral("An error occurred while moving/copying ") + m_moveSourceName);
    });
    {
        Finally refresh([this] { m_tree.RefreshTree(); });
        if (m_moveIsCopy) {
            JUserMessage(QStringLiteral("Not yet implemented"));
            ok = true;
        } else {
            ok = MoveApplicationFiles(m_moveSourceName, m_moveSourceParentName, m_moveTargetName);
        }
    }
}

void TServiceOperations::StartRename()
{
    const QModelIndex node = m_tree.focusedNode();
    if (node.isValid())
        Q_EMIT startEditing(node);
}

void TServiceOperations::VSTServicesNewText(const QModelIndex &node, const QString &newText)
{
    if (!node.isValid())
        return;
    const TServiceNodeData *record = m_tree.record(node);
    if (record && record->Name == newText)
        return; // the editor closed without a change
    Q_EMIT updateBracket(true); // held until the deferred step ends
    m_renameNode = node;
    m_renameNewText = newText;
    defer(&TServiceOperations::DoRename);
}

void TServiceOperations::DoRename()
{
    bool ok = true;
    bool sourceDirLeft = false;
    QString oldName;
    QString refusal;
    Finally done([this, &ok, &sourceDirLeft, &oldName, &refusal] {
        Q_EMIT updateBracket(false);
        if (sourceDirLeft)
            JUserExtMessage(QStringLiteral("Warning"), QStringLiteral("The source directory \"") + oldName
                                                           + QStringLiteral("\" has to be renamed manually."));
        if (!refusal.isEmpty())
            JUserExtMessage(QStringLiteral("Error"), refusal);
        else if (!ok)
            JUserExtMessage(QStringLiteral("Error"), QStringLiteral("An error occurred while renaming ") + oldName);
    });
    const TServiceNodeData *record = m_tree.record(m_renameNode);
    if (!record)
        return;
    const TServiceNodeData renamed = *record; // the rebuild below frees the node's record
    oldName = renamed.Name;
    // A name the file system or the installation cannot take is refused before any file is touched.
    refusal = ZenqRenameRefusal(oldName, m_renameNewText);
    if (!refusal.isEmpty())
        return;
    ok = false;
    JWaitCursor();
    Finally refresh([this] {
        m_tree.RefreshTree(m_renameNewText);
        JDefaultCursor();
    });
    ok = RenameNode(renamed, oldName, m_renameNewText, sourceDirLeft);
}

bool TServiceOperations::RenameNode(const TServiceNodeData &record, const QString &oldName, const QString &newName,
                                    bool &sourceDirLeft)
{
    if (record.IsFolder)
        return RenameFolderFiles(oldName, newName);
    if (m_tree.closeGrids)
        m_tree.closeGrids(); // the grids hold rows of the old name
    QSqlDatabase db = documentationDatabase();
    return RenameApplication(true, oldName, newName, sourceDirLeft, db, db);
}

void TServiceOperations::MENUDeleteZenqApplicationClick()
{
    const QModelIndex node = m_tree.focusedNode();
    if (node.isValid() && CanDelete(m_tree.record(node)))
        DeleteNode(node);
}

bool TServiceOperations::HasDescendants(const QModelIndex &node) const
{
    return m_tree.nodesInTreeOrder(node).size() - 1 > 0;
}

void TServiceOperations::DeleteNode(const QModelIndex &node)
{
    const TServiceNodeData *record = m_tree.record(node);
    if (!record)
        return;
    const QString name = record->Name;
    const bool descendants = HasDescendants(node);
    QPersistentModelIndex target(node);
    if (ZenqFile_ReadSimpleBoolean(QStringLiteral("ZenqFramework"), QStringLiteral("ConfirmRemoveOfApps"), true) || descendants) {
        const QString question = descendants ? QStringLiteral("Do you really want to delete '") + name
                                                   + QStringLiteral("' and all of it's applications?")
                                             : QStringLiteral("Do you really want to delete '") + name + QStringLiteral("'?");
        if (!JUserOKCANCELQuestion(question, 2))
            return;
        // The box ran events: a refresh may have rebuilt the tree meanwhile; the node is found again by name.
        if (!target.isValid())
            target = m_tree.FindNodeByName(name);
        if (!target.isValid())
            return; // gone meanwhile
    }
    Q_EMIT updateRequested();
    bool left = false;
    // The subtree's names and kinds are taken first: the files go, the nodes stay until the refresh.
    QList<QPersistentModelIndex> nodes;
    for (const QModelIndex &n : m_tree.nodesInTreeOrder(target))
        nodes << QPersistentModelIndex(n);
    Finally refresh([this, &left, &name] {
        m_tree.RefreshTree();
        if (left)
            JUserExtMessage(QStringLiteral("Warning"), QStringLiteral("The source directory \"") + name
                                                           + QStringLiteral("\" has to be deleted manually."));
    });
    for (const QPersistentModelIndex &n : std::as_const(nodes)) {
        bool nodeLeft = false;
        DeleteOneNode(n, nodeLeft); // a database error ends the deletion here and reaches the caller
        if (nodeLeft)
            left = true;
    }
}

bool TServiceOperations::DeleteOneNode(const QModelIndex &node, bool &sourceDirLeft)
{
    const TServiceNodeData *record = m_tree.record(node);
    if (!record)
        return false;
    const QString name = record->Name;
    if (record->IsFolder)
        return DeleteApplicationFiles(name);
    if (m_tree.closeGrids)
        m_tree.closeGrids();
    QSqlDatabase db = documentationDatabase();
    return DeleteApplication(name, sourceDirLeft, db, db);
}

void TServiceOperations::MENUEditZenqClick()
{
    if (const TServiceNodeData *record = m_tree.focusedRecord())
        ZenqUI().openWithDesktop(record->ZenqFile); // the platform's text editor
}

void TServiceOperations::MENUEditZenqcClick()
{
    const TServiceNodeData *record = m_tree.focusedRecord();
    if (!record)
        return;
    if (JGetTypeOfXMLFile(record->ZenqcFile) == ZenqXMLFileEncrypted)
        start(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqCryptEditor.exe")),
              { record->ZenqcFile, QStringLiteral("-integrated") });
    else
        ZenqUI().openWithDesktop(record->ZenqcFile);
}

void TServiceOperations::start(const QString &program, const QStringList &arguments)
{
    if (startProgram)
        startProgram(program, arguments);
}

void TServiceOperations::MENUEditProjectClick()
{
    if (const TServiceNodeData *record = m_tree.focusedRecord())
        RequestProjectLoad(record->Name);
}

void TServiceOperations::MENUCompileClick()
{
    if (const TServiceNodeData *record = m_tree.focusedRecord())
        SendCompileRequest(3, record->Name);
}

void TServiceOperations::MENUBuildClick()
{
    if (const TServiceNodeData *record = m_tree.focusedRecord())
        SendCompileRequest(4, record->Name);
}

void TServiceOperations::SendCompileRequest(int kind, const QString &name)
{
    Q_EMIT updateRequested();
    ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("WM_ZenqApplicationCompileAndRegister"),
                                                      ZenqWindowClass::FrameworkEngine,
                                                      TZenqMessageOption::WaitCursor | TZenqMessageOption::BringToFront,
                                                      false, quintptr(kind), name);
}
