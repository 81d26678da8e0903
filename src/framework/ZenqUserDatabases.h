#pragma once
// The copied user databases of the framework: programs work on copies of the user database, kept in
// the installation's "UserDB/Copies" directory; clearing removes them so that the next start copies
// fresh ones. Thread-safe.
#include <QString>
#include <QStringList>

QString ZenqUserDatabaseCopiesDir();
// Removes every copied user database; returns how many files were removed.
int ZenqClearUserDB();

// Adapts configured names to this installation: "{System}" becomes the system name.
QStringList ZenqTransformZenqNames(const QStringList &names, const QString &systemName);

// The registry key of the framework's applications ("Software\Vantrel\Zenq\Applications").
QString _ZenqApplicationsRegKeyEx();
