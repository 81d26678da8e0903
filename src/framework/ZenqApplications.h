#pragma once
// The framework applications of an installation: their names, their hierarchy (each definition file
// names its parent), their standard properties and the project groups that build them. Reentrant
// functions over files; no state.
#include "ZenqEasyTree.h"

#include <QString>
#include <QStringList>

// Names of all applications: the base names of the definition files N.Zenq in `binDir` (a configuration
// file N.Zenqc alone counts too), sorted without regard to case, duplicates once.
void ZenqGetAllZenq(QStringList &names, const QString &binDir);
// The hierarchy below the application `rootName` ("ZenqApplications"): the root at the tree's first
// level, each application under the parent that its definition file (else its configuration file)
// names. Applications whose parent chain does not reach the root (missing parent, a cycle) are added at
// the first level after the root, so that none is lost from view.
void ZenqGetAllZenq(TZenqEasyTree &tree, const QString &binDir, const QString &rootName);

// The project groups below the installation root's applications ProjectGroups directory (sub-directories
// included): the first level holds the full file names of the "*.BPG" files, each with the application
// names of its target list as its sub-tree.
void ZenqGetAllProjectgroupsAsTree(const QString &rootDir, TZenqEasyTree &tree);

// The values of the named standard properties of one application, in the order of `propertyNames`
// ("Author", "Comment", "ServiceType", "DateModified", ".Zenq", ".Zenqc", "ProjectGroupFile", "IsFolder",
// "IsService", "IsRemoveableFromConsole"; an unknown name gives the empty text). One read of each of the
// application's two files. `projectGroups` is a tree from ZenqGetAllProjectgroupsAsTree.
void ZenqGetStandardProperties(const QString &binDir, const QString &name, const QStringList &propertyNames,
                               const TZenqEasyTree &projectGroups, QStringList &values);

// Full file name of the application's project source: Source/N/N.dpr.
QString ZenqGetApplicationsSourceCompleteDPRName(const QString &name, const QString &installation = {});

// Unregisters a COM server; there is no component registry here, so it does nothing and answers true.
bool JCOMObj_UnRegister(const QString &file);

// Drops the framework's cached application parameters (the configuration cache).
void ZenqServices_ApplicationParameterChanged_ClearCache();
