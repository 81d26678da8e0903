#pragma once
// The process table and identities of this machine. Thread-safe.
#include <QStringList>
#include <QtGlobal>

namespace platform {

qint64 currentProcessId();
qint64 currentThreadId();
bool isProcessAlive(qint64 pid);
// Executable file names (without directory) of all processes that can be seen in /proc.
QStringList runningExecutableNames();
// Full path of the running program.
QString currentExecutablePath();

} // namespace platform
