#pragma once
// The demo installation: a small but complete Zenq installation (applications and folders, sources,
// SXT files, project groups, tools, templates, web files, trace directories and a filled
// documentation-and-test database) for trying the console and for tests. Reentrant; two installs into
// the same directory at once are not supported.
//
// The target must be missing, empty, or an earlier demo installation. Installing over an earlier demo
// restores it: every demo file and database row gets its original content back, while files and rows
// that the demo does not own are left alone. Any other non-empty directory, a real Zenq installation
// included, is refused.
#include <QString>
#include <QStringList>

// Installs the demo into rootDir (created when missing). `zenqToolPath` is embedded into the tool
// programs so that they report through the zenq tool; without it they only print. False with *error
// set when the directory is refused or a write fails; files written before a failure stay, and
// installing again completes them.
bool ZenqInstallDemo(const QString &rootDir, QString *error, const QString &zenqToolPath = {});

// True when rootDir holds a demo installation (the framework configuration carries the demo mark).
bool ZenqIsDemoInstallation(const QString &rootDir);

// Names of the demo's applications and folders, the top "ZenqApplications" first.
QStringList ZenqDemoApplicationNames();
