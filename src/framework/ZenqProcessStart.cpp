#include "ZenqProcessStart.h"

#include <QProcess>

bool JWinExec(const QString &program, const QStringList &arguments, int showState, int flags, QString *error)
{
    Q_UNUSED(showState)
    Q_UNUSED(flags)
    if (program.isEmpty()) {
        if (error)
            *error = QStringLiteral("No program to start");
        return false;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    // Inherited standard channels would tie the started program to the console's terminal.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    if (error)
        *error = QStringLiteral("Cannot start %1: %2").arg(program, process.errorString());
    return false;
}
