#pragma once
// A fresh demo installation per test function, so that tests which rename, move and delete never see
// each other's changes.
#include "framework/ZenqConfig.h"
#include "framework/ZenqDemoInstallation.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"

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
