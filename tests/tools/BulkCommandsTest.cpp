// The "Crypting" commands: remembered specifiers, the sub-directory flag and the result messages.
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqCrypt.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqXmlFile.h"
#include "tools/ZenqBulkCommands.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

const QString configText = QStringLiteral("<Zenq><Setting Value=\"1\"/></Zenq>");
const QString succeeded = QStringLiteral("Every file was successfully processed.");
const QString failed = QStringLiteral("An error occurred while processing.");

void writeBytes(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile output(file);
    QVERIFY(output.open(QIODevice::WriteOnly));
    output.write(bytes);
}

QByteArray inForm(int fileType)
{
    switch (fileType) {
    case ZenqXMLFileEncrypted:
        return JCRYPT_PChar(configText, ZenqStandardCryptKey(), ZenqStandardSecurityLevel());
    case ZenqXMLFileUtf16:
        return ZenqByteOrderMark(ZenqEncodingUtf16LE) + ZenqEncodeText(configText, ZenqEncodingUtf16LE);
    default:
        return JWideToAnsi(configText);
    }
}

} // namespace

Q_DECLARE_METATYPE(ZenqBulkCommand)

class BulkCommandsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<zenqtest::TestEnvironment> m_env;

    QString dataDir() const { return m_env->path() + QStringLiteral("/data"); }

private Q_SLOTS:
    void init() { m_env = std::make_unique<zenqtest::TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void specifierRememberedPerCommand()
    {
        const QString standard = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("*.Zenqc"));
        QCOMPARE(ZenqBulkDefaultSpecifier(), standard);
        const QString other = dataDir() + QStringLiteral("/*.Zenqc");
        QDir().mkpath(dataDir());
        {
            ScopedScriptedUserInterface ui;
            QCOMPARE(ZenqExecuteBulkCommand(ZenqBulkCommand::CryptAll, false), ZenqBulkOutcome::Cancelled);
            QVERIFY(ui->messages.isEmpty()); // cancel: no operation, no message
            QCOMPARE(ui->prompts, QStringList { "Enter file-specifier:" });
            QCOMPARE(ui->waitDepth, 0);
            QCOMPARE(JGetRegistryString(ZenqConsoleRegistryKey, "MENUCryptAll"), standard); // what was offered
        }
        {
            ScopedScriptedUserInterface ui;
            ui->inputAnswers << other;
            QCOMPARE(ZenqExecuteBulkCommand(ZenqBulkCommand::CryptAll, false), ZenqBulkOutcome::Succeeded);
            QCOMPARE(ui->messages, QStringList { succeeded });
        }
        QCOMPARE(ZenqBulkRememberedSpecifier(ZenqBulkCommand::CryptAll), other);
        QCOMPARE(ZenqBulkRememberedSpecifier(ZenqBulkCommand::UncryptAll), standard);
        QCOMPARE(JGetRegistryString(ZenqConsoleRegistryKey, "MENUCryptAll"), other);
    }

    void commands_data()
    {
        QTest::addColumn<ZenqBulkCommand>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("Crypt all") << ZenqBulkCommand::CryptAll << "MENUCryptAll" << int(ZenqXMLFilePlain)
                                   << int(ZenqXMLFileEncrypted);
        QTest::newRow("Uncrypt all") << ZenqBulkCommand::UncryptAll << "MENUUncryptAll" << int(ZenqXMLFileEncrypted)
                                     << int(ZenqXMLFilePlain);
        QTest::newRow("Unicode to ANSI all") << ZenqBulkCommand::UnicodeToAnsiAll << "MENUUnicodetoANSIAll"
                                             << int(ZenqXMLFileUtf16) << int(ZenqXMLFilePlain);
        QTest::newRow("ANSI to Unicode all") << ZenqBulkCommand::AnsiToUnicodeAll << "MENUANSItoUnicodeAll"
                                             << int(ZenqXMLFilePlain) << int(ZenqXMLFileUtf16);
    }
    // Each command with and without sub-directories: the flag decides whether the nested file changes.
    void commands()
    {
        QFETCH(ZenqBulkCommand, command);
        QFETCH(QString, name);
        QFETCH(int, before);
        QFETCH(int, after);
        QCOMPARE(ZenqBulkCommandName(command), name);
        const QString top = dataDir() + QStringLiteral("/top.Zenqc");
        const QString nested = dataDir() + QStringLiteral("/sub/nested.Zenqc");
        for (const bool subDirectories : { false, true }) {
            writeBytes(top, inForm(before));
            writeBytes(nested, inForm(before));
            ScopedScriptedUserInterface ui;
            ui->inputAnswers << dataDir() + QStringLiteral("/*.Zenqc");
            QCOMPARE(ZenqExecuteBulkCommand(command, subDirectories), ZenqBulkOutcome::Succeeded);
            QCOMPARE(ui->messages, QStringList { succeeded });
            QCOMPARE(JGetTypeOfXMLFile(top), after);
            QCOMPARE(JGetTypeOfXMLFile(nested), subDirectories ? after : before);
            QCOMPARE(JGetRegistryString(ZenqConsoleRegistryKey, name), dataDir() + QStringLiteral("/*.Zenqc"));
            QCOMPARE(ui->waitDepth, 0);
        }
    }

    void failureIsReportedAndTheSpecifierStillStored_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("corrupted file among good ones") << "/*.Zenqc";
        QTest::newRow("missing directory") << "/missing/*.Zenqc";
    }
    void failureIsReportedAndTheSpecifierStillStored()
    {
        QFETCH(QString, relative);
        QByteArray corrupted = inForm(ZenqXMLFileEncrypted);
        corrupted.chop(1);
        writeBytes(dataDir() + QStringLiteral("/a.Zenqc"), inForm(ZenqXMLFileEncrypted));
        writeBytes(dataDir() + QStringLiteral("/b.Zenqc"), corrupted);
        writeBytes(dataDir() + QStringLiteral("/c.Zenqc"), inForm(ZenqXMLFileEncrypted));
        ScopedScriptedUserInterface ui;
        ui->inputAnswers << dataDir() + relative;
        QCOMPARE(ZenqExecuteBulkCommand(ZenqBulkCommand::UncryptAll, false), ZenqBulkOutcome::Failed);
        QCOMPARE(ui->messages, QStringList { failed });
        QCOMPARE(ZenqBulkRememberedSpecifier(ZenqBulkCommand::UncryptAll), dataDir() + relative);
        QCOMPARE(ui->waitDepth, 0);
    }

    void toolCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("nestedAfter");
        QTest::newRow("recursive") << QStringList { "encrypt", "*.Zenqc", "--recursive" } << 0
                                   << int(ZenqXMLFileEncrypted);
        QTest::newRow("this directory only") << QStringList { "encrypt", "*.Zenqc" } << 0 << int(ZenqXMLFilePlain);
        QTest::newRow("unknown operation") << QStringList { "scramble", "*.Zenqc" } << 2 << int(ZenqXMLFilePlain);
        QTest::newRow("missing specifier") << QStringList { "decrypt" } << 2 << int(ZenqXMLFilePlain);
        QTest::newRow("missing directory") << QStringList { "encrypt", "missing/*.Zenqc" } << 1
                                           << int(ZenqXMLFilePlain);
    }
    void toolCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(int, nestedAfter);
        writeBytes(dataDir() + QStringLiteral("/sub/nested.Zenqc"), inForm(ZenqXMLFilePlain));
        if (arguments.size() > 1)
            arguments[1] = dataDir() + QLatin1Char('/') + arguments[1];
        QProcess zenq;
        zenq.start(zenqtest::zenqToolPath(), QStringList { "crypt" } + arguments);
        QVERIFY(zenq.waitForFinished(30000));
        QCOMPARE(zenq.exitCode(), exitCode);
        QCOMPARE(JGetTypeOfXMLFile(dataDir() + QStringLiteral("/sub/nested.Zenqc")), nestedAfter);
    }
};

ZENQ_TEST_CLASS(BulkCommandsTest);
#include "BulkCommandsTest.moc"
