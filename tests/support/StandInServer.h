#pragma once
// A stand-in framework web server (`zenq server --kind KIND`) for the length of a test.
#include "TestEnvironment.h"

#include <QProcess>

namespace zenqtest {

class StandInServer
{
public:
    explicit StandInServer(const QString &kind)
    {
        process.setReadChannel(QProcess::StandardError); // "... running at ..." says it is ready
        process.start(zenqToolPath(), { QStringLiteral("server"), QStringLiteral("--kind"), kind });
        process.waitForReadyRead(20000);
    }
    ~StandInServer()
    {
        process.terminate();
        process.waitForFinished(10000);
    }
    StandInServer(const StandInServer &) = delete;
    StandInServer &operator=(const StandInServer &) = delete;
    QProcess process;
};

} // namespace zenqtest
