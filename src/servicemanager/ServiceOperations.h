#pragma once
// The service manager's commands on the service tree: new folders and applications, cut, copy and paste
// (and drag and drop), rename, delete, the editors, and the requests to the framework engine. Moves and
// renames run as deferred steps after the tree event that asked for them has returned, because they
// rebuild the tree. No widgets; UI thread only.
#include "ServiceTree.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QSqlDatabase>

#include <functional>

class TServiceOperations final : public QObject
{
    Q_OBJECT
public:
    // The tree must outlive the operations.
    explicit TServiceOperations(TServiceTree &tree, QObject *parent = nullptr);
    ~TServiceOperations() override;

    // The documentation-and-test database whose tables the rename and delete statements change (the
    // window's, which also shows them). By default the installation's database, opened when first needed.
    std::function<QSqlDatabase()> database;
    // Whether the running program may start other programs (tests switch the editors off).
    std::function<bool(const QString &program, const QStringList &arguments)> startProgram;

    // Predicates on a node record (null: no node focused).
    static bool CanCut(const TServiceNodeData *record);
    static bool CanCopy() { return true; }
    bool CanPaste(const QModelIndex &source, bool isCopy, const QModelIndex &target) const;
    static bool CanRename(const TServiceNodeData *record);
    static bool CanDelete(const TServiceNodeData *record);

    // The commands.
    void MENURefreshClick();
    void MENUNewFolderClick();
    void MENUNewZenqApplicationClick() { NewApplication(1); }
    void MENUNewZenqWindowsExeClick() { NewApplication(2); }
    void MENUCutClick();
    void MENUCopyClick();
    void MENUPasteClick();
    // Opens the in-place editor on the focused node (through `startEditing`).
    void MENURenameZenqApplicationClick() { StartRename(); }
    void MENUDeleteZenqApplicationClick();
    void MENUEditZenqClick();
    void MENUEditZenqcClick();
    void MENUEditProjectClick();
    void MENUCompileAllClick() { SendCompileRequest(1, {}); }
    void MENUBuildAllClick() { SendCompileRequest(2, {}); }
    void MENUCompileClick();
    void MENUBuildClick();

    // Drag and drop within the tree: whether a drop of the focused node on `target` is accepted (Ctrl
    // held means copy), and the drop itself.
    bool VSTServicesDragOver(const QModelIndex &target, bool controlHeld) const;
    void VSTServicesDragDrop(const QModelIndex &target, bool copy);
    // The accepted text of the in-place rename.
    void VSTServicesNewText(const QModelIndex &node, const QString &newText);

    void NewFolder();
    void NewApplication(int kind);
    void PasteNode(const QModelIndex &source, bool isCopy, const QModelIndex &target);
    void StartRename();
    // Renames one node's application (a folder's two files only); the file work of a rename.
    bool RenameNode(const TServiceNodeData &record, const QString &oldName, const QString &newName, bool &sourceDirLeft);
    void DeleteNode(const QModelIndex &node);
    bool HasDescendants(const QModelIndex &node) const;
    void SendCompileRequest(int kind, const QString &name);

    QModelIndex clipboardNode() const { return m_clipboardNode; }
    bool clipboardIsCopy() const { return m_clipboardIsCopy; }
    // Whether a deferred step waits for the next idle processing.
    bool deferredStepPending() const { return m_deferredPending; }

Q_SIGNALS:
    // The view opens its in-place editor on column 0 of the node.
    void startEditing(const QModelIndex &node);
    // The view holds (true) or resumes (false) its painting: from an accepted rename to the end of its step.
    void updateBracket(bool hold);
    // Pending painting should be done before the tree is rebuilt.
    void updateRequested();

private:
    void forgetNodes();
    void defer(void (TServiceOperations::*step)());
    void DoMoveOrCopy();
    void DoRename();
    bool DeleteOneNode(const QModelIndex &node, bool &sourceDirLeft);
    QSqlDatabase documentationDatabase();
    void start(const QString &program, const QStringList &arguments);

    TServiceTree &m_tree;
    QPersistentModelIndex m_clipboardNode;
    bool m_clipboardIsCopy = false;
    QString m_moveSourceName;
    QString m_moveSourceParentName;
    QString m_moveTargetName;
    bool m_moveIsCopy = false;
    QPersistentModelIndex m_renameNode;
    QString m_renameNewText;
    bool m_deferredPending = false;
    QString m_connectionName;
};
