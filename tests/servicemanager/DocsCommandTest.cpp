// `zenq docs export` as a script sees it: the page's file name on standard output, the file where asked.
#include "ServiceManagerTestSupport.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include <QFile>
#include <QProcess>

namespace {

using Run = ZenqToolRun;

Run zenq(const QStringList &arguments)
{
    return runZenqTool(arguments);
}

} // namespace

class DocsCommandTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesThePageAndPrintsItsName_data()
    {
        QTest::addColumn<bool>("toOutputFile");
        QTest::newRow("--output") << true;
        QTest::newRow("temporary file") << false;
    }
    void writesThePageAndPrintsItsName()
    {
        QFETCH(bool, toOutputFile);
        ZENQ_FRESH_DEMO(demo);
        const QString output = JMakeFileName(demo.root(), QStringLiteral("page.html"));
        QStringList arguments { QStringLiteral("docs"), QStringLiteral("export"), QStringLiteral("--no-open") };
        if (toOutputFile)
            arguments << QStringLiteral("--output") << output;
        const Run run = zenq(arguments);
        QCOMPARE(run.exitCode, 0);
        const QString file = run.out.trimmed();
        if (toOutputFile)
            QCOMPARE(file, output);
        QVERIFY(file.endsWith(QLatin1String(".html")));
        QFile page(file);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray bytes = page.readAll();
        page.close();
        if (!toOutputFile)
            QFile::remove(file);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF<html>\r\n"));
        QVERIFY(bytes.contains("<a name=\"Orders\"></a>"));
        QVERIFY(!bytes.contains("ZenqKernel"));
        QVERIFY(bytes.endsWith("</body>\r\n</html>\r\n"));
    }

    void similarGeneratedSamplesAreRemovedFirst()
    {
        ZENQ_FRESH_DEMO(demo);
        const Run exported = zenq({ QStringLiteral("docs"), QStringLiteral("export"), QStringLiteral("--no-open") });
        QCOMPARE(exported.exitCode, 0);
        QFile::remove(exported.out.trimmed());
        // The demo holds similar generated samples; after the export none are left to remove.
        QCOMPARE(zenq({ QStringLiteral("samples"), QStringLiteral("remove-generated"), QStringLiteral("--similar-only") }).out,
                 QStringLiteral("0 records removed.\n"));
    }

    void badArgumentsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no verb") << QStringList { "docs" };
        QTest::newRow("other verb") << QStringList { "docs", "open" };
        QTest::newRow("--output without file") << QStringList { "docs", "export", "--output" };
        QTest::newRow("unknown option") << QStringList { "docs", "export", "--open" };
    }
    void badArgumentsAreRefused()
    {
        QFETCH(QStringList, arguments);
        ZENQ_FRESH_DEMO(demo);
        QCOMPARE(zenq(arguments).exitCode, 2);
    }
};

ZENQ_TEST_CLASS(DocsCommandTest);
#include "DocsCommandTest.moc"
