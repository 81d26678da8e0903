#include "ZenqUserDatabases.h"

#include "ZenqFiles.h"
#include "ZenqPaths.h"

QString ZenqUserDatabaseCopiesDir()
{
    return JMakeFileName(ZenqGetRootDir(), QStringLiteral("UserDB/Copies"));
}

int ZenqClearUserDB()
{
    QStringList copies;
    JGetAllFiles(ZenqUserDatabaseCopiesDir(), QStringLiteral("*.*"), copies);
    int removed = 0;
    for (const QString &copy : copies)
        removed += JDeleteFile(copy, true) ? 1 : 0;
    return removed;
}

QStringList ZenqTransformZenqNames(const QStringList &names, const QString &systemName)
{
    QStringList transformed;
    for (QString name : names)
        transformed << name.replace(QStringLiteral("{System}"), systemName, Qt::CaseInsensitive);
    return transformed;
}

QString _ZenqApplicationsRegKeyEx()
{
    return QStringLiteral("Software\\Vantrel\\Zenq\\Applications");
}
