#pragma once
// A fresh demo installation per test function, so that tests which rename, move and delete never see
// each other's changes.
#include "framework/ZenqConfig.h"
#include "framework/ZenqDemoInstallation.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "servicemanager/ServiceTree.h"
#include "support/TestEnvironment.h"

#include <QProcess>

#include <QTemporaryDir>
#include <QTest>

#include <memory>

class FreshDemo
{
public:
    FreshDemo()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_root = m_dir->filePath(QStringLiteral("zenq"));
        qputenv("ZENQ_ROOT", m_root.toLocal8Bit());
        ZenqConfigCacheClear();
        QString error;
        m_installed = ZenqInstallDemo(m_root, &error);
        m_error = error;
    }
    ~FreshDemo() { ZenqConfigCacheClear(); }
    bool installed() const { return m_installed; }
    QString error() const { return m_error; }
    QString root() const { return m_root; }

    static QString bin(const QString &file) { return JMakeFileName(ZenqGetApplicationsBinDir(), file); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    bool m_installed = false;
    QString m_error;
};

#define ZENQ_FRESH_DEMO(name) \
    FreshDemo name; \
    QVERIFY2(name.installed(), qPrintable(name.error()))

// What a run of the zenq tool left: exit code (-1 when it did not finish in a minute) and its output.
struct ZenqToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline ZenqToolRun runZenqTool(const QStringList &arguments)
{
    QProcess process;
    process.start(zenqtest::zenqToolPath(), arguments);
    ZenqToolRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
