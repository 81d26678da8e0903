// The framework's application connection on this platform: logging in against the users of the
// framework configuration, the request a service program reads, its answer and the trace of it, every
// way a call fails, and the registry of loaded services.
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqApplicationConnection.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqServices.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqXmlFile.h"

#include <QFile>
#include <QStringList>
#include <QTest>

#include <algorithm>

namespace {

const QString guest = QStringLiteral("ZenqGuest2");
const QString guestPassword = QStringLiteral("Trosvibel");

QString frameworkConfigurationFile()
{
    return JMakeFileName(ZenqGetFrameworkConfigsDir(), QStringLiteral("ZenqFramework.Zenqc"));
}

// Users as an installation keeps them; the framework's default language is FRFR so a fallback shows.
QString usersConfiguration()
{
    return QStringLiteral("<Zenq>\r\n"
                          "   <DefaultLanguage Value=\"FRFR\"/>\r\n"
                          "   <Users>\r\n"
                          "      <User Name=\"%1\" PasswordHash=\"%2\" ProfileIDs=\"3;7\" Language=\"ENGB\"/>\r\n"
                          "      <User Name=\"O'Neill\" PasswordHash=\"%3\" ProfileIDs=\"9\"/>\r\n"
                          "      <User Name=\"NoPassword\" ProfileIDs=\"1\"/>\r\n"
                          "   </Users>\r\n"
                          "</Zenq>\r\n")
        .arg(guest, ZenqUserPasswordHash(guest, guestPassword),
             ZenqUserPasswordHash(QStringLiteral("O'Neill"), QStringLiteral("pass word")));
}

void writeFrameworkConfiguration(int fileType)
{
    QVERIFY(JMakeDir(ZenqGetFrameworkConfigsDir()));
    QString error;
    QVERIFY2(JSaveToXMLFile(frameworkConfigurationFile(), usersConfiguration(), ZenqStandardCryptKey(),
                            ZenqStandardSecurityLevel(), fileType, &error),
             qPrintable(error));
    ZenqConfigCacheClear();
}

// A service program in Bin; without `executable` it is a plain file that cannot be started.
void writeService(const QString &name, const QString &script, bool executable = true)
{
    QVERIFY(JMakeDir(ZenqGetApplicationsBinDir()));
    const QString file = ZenqServiceProgramFile(name);
    QVERIFY(JSaveToFileS(file, QStringLiteral("#!/bin/sh\n") + script, ZenqEncodingUtf8, false));
    QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        mode |= QFile::ExeOwner;
    QVERIFY(QFile::setPermissions(file, mode));
}

QString handOverText()
{
    return JLoadFromFile(ZenqHandOverFileName(0), ZenqLoadHonourBom | ZenqLoadDefaultUtf8);
}

// True when the hand-over holds an error line (marker first, then the trace fields) ending with text.
bool tracedAsError(const QString &text)
{
    const QStringList lines = handOverText().split(QStringLiteral("\r\n"));
    return std::any_of(lines.begin(), lines.end(), [&text](const QString &line) {
        return line.startsWith(QLatin1String("#E#")) && line.endsWith(text);
    });
}

QString executeError(TZenqApplicationConnection &connection)
{
    try {
        connection.XML_Execute();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<no error>");
}

} // namespace

class ApplicationConnectionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        writeFrameworkConfiguration(ZenqXMLFilePlain);
        QVERIFY(JMakeDir(ZenqGetTraceDir(false)));
    }
    void cleanup()
    {
        JDeleteFile(ZenqHandOverFileName(0));
        for (int index = 0; index < ZenqServices_Count(); ++index)
            ZenqStandardService_Release(index);
    }

    void loginChecksNameAndPassword_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error"); // empty: logged in
        QTest::addColumn<QString>("profileIds");
        QTest::addColumn<QString>("language");
        QTest::newRow("guest") << guest << guestPassword << "" << "3;7" << "ENGB";
        QTest::newRow("name in other letter case") << "zenqguest2" << guestPassword << "" << "3;7" << "ENGB";
        QTest::newRow("no language: the framework's default") << "O'Neill" << "pass word" << "" << "9" << "FRFR";
        QTest::newRow("wrong password") << guest << "trosvibel" << "the password of user 'ZenqGuest2' is wrong"
                                        << "" << "";
        QTest::newRow("empty password") << guest << "" << "the password of user 'ZenqGuest2' is wrong" << "" << "";
        QTest::newRow("another user's password") << "O'Neill" << guestPassword
                                                  << "the password of user 'O'Neill' is wrong" << "" << "";
        QTest::newRow("unknown user") << "Nobody" << guestPassword << "there is no user 'Nobody'" << "" << "";
        QTest::newRow("user without a password hash") << "NoPassword" << "" << "the password of user 'NoPassword' is wrong"
                                                       << "" << "";
    }
    void loginChecksNameAndPassword()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, error);
        QFETCH(QString, profileIds);
        QFETCH(QString, language);
        QString deliveredProfiles = QStringLiteral("unchanged"), deliveredLanguage = QStringLiteral("unchanged");
        try {
            const QString session = ZenqAdministration_GenerateAndSetSessionIDProfileIDsAndLanguage(
                nullptr, QStringLiteral("ZenqConsole"), TZenqApplicationType::ConsoleCaller, user, password,
                deliveredProfiles, deliveredLanguage);
            QVERIFY2(error.isEmpty(), "logged in although it should not");
            QVERIFY(!session.isEmpty());
            QCOMPARE(deliveredProfiles, profileIds);
            QCOMPARE(deliveredLanguage, language);
        } catch (const std::runtime_error &failure) {
            const QString message = QString::fromUtf8(failure.what());
            QVERIFY2(!error.isEmpty() && message.contains(error), qPrintable(message));
            QCOMPARE(deliveredProfiles, QStringLiteral("unchanged"));
        }
    }

    void sessionsDiffer()
    {
        QString profiles, language;
        const auto login = [&] {
            return ZenqAdministration_GenerateAndSetSessionIDProfileIDsAndLanguage(
                nullptr, QStringLiteral("ZenqConsole"), TZenqApplicationType::ConsoleCaller, guest, guestPassword,
                profiles, language);
        };
        QVERIFY(login() != login());
    }

    // The passwords are protected by encrypting the configuration; the users must still be found.
    void usersOfAnEncryptedConfigurationLogIn()
    {
        writeFrameworkConfiguration(ZenqXMLFileEncrypted);
        QCOMPARE(JGetTypeOfXMLFile(frameworkConfigurationFile()), ZenqXMLFileEncrypted);
        QString profiles, language;
        const QString session = ZenqAdministration_GenerateAndSetSessionIDProfileIDsAndLanguage(
            nullptr, QStringLiteral("ZenqConsole"), TZenqApplicationType::ConsoleCaller, guest, guestPassword, profiles,
            language);
        QVERIFY(!session.isEmpty());
        writeFrameworkConfiguration(ZenqXMLFilePlain);
    }

    void loginWithoutFrameworkConfigurationFails()
    {
        QVERIFY(QFile::rename(frameworkConfigurationFile(), frameworkConfigurationFile() + QStringLiteral(".away")));
        ZenqConfigCacheClear();
        QString profiles, language;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 ZenqAdministration_GenerateAndSetSessionIDProfileIDsAndLanguage(
                                     nullptr, QStringLiteral("ZenqConsole"), TZenqApplicationType::ConsoleCaller, guest,
                                     guestPassword, profiles, language));
        QVERIFY(QFile::rename(frameworkConfigurationFile() + QStringLiteral(".away"), frameworkConfigurationFile()));
    }

    void actionNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ordinal"); // -1: no action
        QTest::newRow("first") << "OpenAndClose" << 0;
        QTest::newRow("letter case ignored") << "leaveopen" << 1;
        QTest::newRow("blanks around") << "  WindowsGUIShowAsDesigned\t" << 2;
        QTest::newRow("like the sender") << "WindowsGUIShowLikeSenderForm" << 3;
        QTest::newRow("child") << "WindowsGUIShowAsChild" << 4;
        QTest::newRow("child, client aligned") << "WindowsGUIShowAsChild_ClientAligned" << 5;
        QTest::newRow("modeless") << "WindowsGUIShowAsDesignedModeless" << 6;
        QTest::newRow("last") << "Close" << 7;
        QTest::newRow("prefix of a name") << "WindowsGUIShowAs" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("ordinal as digits") << "2" << -1;
    }
    void actionNames()
    {
        QFETCH(QString, text);
        QFETCH(int, ordinal);
        if (ordinal < 0) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, ZenqStringToAction(text));
            return;
        }
        const TZenqAction action = ZenqStringToAction(text);
        QCOMPARE(int(action), ordinal);
        QCOMPARE(ZenqStringToAction(ZenqActionToString(action)), action);
    }

    // What the service reads is the header and the written parameters; its answer comes back unchanged
    // and shows in the trace. The parameters belong to one call.
    void serviceReadsTheRequestAndItsAnswerIsTraced()
    {
        writeService(QStringLiteral("Echo"), QStringLiteral("cat\n"));
        TZenqApplicationConnection connection;
        connection.Set_ZenqApplicationType(TZenqApplicationType::ConsoleCaller);
        connection.Set_ZenqSender(QStringLiteral("ZenqConsole"));
        connection.Set_ZenqSessionID(QStringLiteral("7F3A-19C2"));
        connection.Set_ZenqProfileIDs(QStringLiteral("3;7"));
        connection.Set_ZenqLanguage(QStringLiteral("a\"b<c&d"));
        connection.Set_ZenqReceiver(QStringLiteral("echo")); // the registry ignores letter case
        connection.Set_ZenqDateTime(QStringLiteral("2024-03-11T10:02:17.000"));
        connection.Set_ZenqCallLevel(QStringLiteral("0"));
        connection.Set_ZenqAction(TZenqAction::LeaveOpen);
        connection.XML_Write_ApplicationParameterStart(true, false);
        connection.XML_Write_Raw(QStringLiteral("\r\n<ZenqRequest><Customer id=\"17\"/></ZenqRequest>\r\n"));
        connection.XML_Write_ApplicationParameterStop(true, false);
        const QString expected = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<ZenqCall ApplicationType=\"6\" Sender=\"ZenqConsole\" Receiver=\"echo\" SessionID=\"7F3A-19C2\" "
            "ProfileIDs=\"3;7\" Language=\"a&quot;b&lt;c&amp;d\" DateTime=\"2024-03-11T10:02:17.000\" CallLevel=\"0\" "
            "Action=\"LeaveOpen\">\r\n"
            "<ApplicationParameter>\r\n"
            "\r\n<ZenqRequest><Customer id=\"17\"/></ZenqRequest>\r\n"
            "</ApplicationParameter>\r\n"
            "</ZenqCall>\r\n");
        QCOMPARE(connection.requestDocument(), expected);
        QCOMPARE(connection.XML_Execute(), expected);
        QCOMPARE(connection.lastRequest(), expected);
        const QString trace = handOverText();
        QVERIFY2(trace.contains(QLatin1String("XML_Execute: Echo answered (LeaveOpen, session 7F3A-19C2):")),
                 qPrintable(trace));
        QVERIFY(trace.contains(QLatin1String("   <ZenqRequest><Customer id=\"17\"/></ZenqRequest>")));

        const QString second = connection.XML_Execute();
        QVERIFY2(!second.contains(QLatin1String("ApplicationParameter")), qPrintable(second));
    }

    void answerKeepsItsCharacters_data()
    {
        QTest::addColumn<QByteArray>("printed"); // printf format of the program's output
        QTest::addColumn<QString>("answer");
        QTest::newRow("UTF-8") << QByteArray("<A name=\"Kova\\304\\215\"/>") << QStringLiteral("<A name=\"Kovač\"/>");
        QTest::newRow("UTF-8 with mark") << QByteArray("\\357\\273\\277<A/>") << QStringLiteral("<A/>");
        QTest::newRow("UTF-16 with mark") << QByteArray("\\377\\376<\\000A\\000/\\000>\\000") << QStringLiteral("<A/>");
    }
    void answerKeepsItsCharacters()
    {
        QFETCH(QByteArray, printed);
        QFETCH(QString, answer);
        writeService(QStringLiteral("Printer"),
                     QStringLiteral("cat >/dev/null\nprintf '%1'\n").arg(QString::fromLatin1(printed)));
        TZenqApplicationConnection connection;
        connection.Set_ZenqReceiver(QStringLiteral("Printer"));
        QCOMPARE(connection.XML_Execute(), answer);
    }

    // Each failure is an error with its reason, also traced as an error line, and the call's parameters
    // are gone afterwards.
    void failedCallsThrowWithTheirReason_data()
    {
        QTest::addColumn<QString>("script"); // empty: no program at all
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing program") << "" << true << "is not installed: its program";
        QTest::newRow("not executable") << "echo '<A/>'\n" << false << "cannot be started";
        QTest::newRow("exit code, with its error output")
            << "cat >/dev/null\necho '<A/>'\necho 'disk full' >&2\nexit 3\n" << true
            << "ended with exit code 3. Its error output: disk full";
        QTest::newRow("no output") << "cat >/dev/null\n" << true << "gave an empty answer";
        QTest::newRow("only blank lines") << "cat >/dev/null\nprintf '\\r\\n\\n'\n" << true << "gave an empty answer";
        QTest::newRow("crash") << "kill -SEGV $$\n" << true << "ended abnormally";
        QTest::newRow("exits without reading the request") << "exit 0\n" << true << "gave an empty answer";
        QTest::newRow("time-out") << "exec sleep 600\n" << true << "gave no answer within 300 ms and was stopped";
    }
    void failedCallsThrowWithTheirReason()
    {
        QFETCH(QString, script);
        QFETCH(bool, executable);
        QFETCH(QString, reason);
        JDeleteFile(ZenqServiceProgramFile(QStringLiteral("Failing")));
        if (!script.isEmpty())
            writeService(QStringLiteral("Failing"), script, executable);
        TZenqApplicationConnection connection;
        connection.setTimeoutMs(300);
        connection.Set_ZenqReceiver(QStringLiteral("Failing"));
        connection.XML_Write_Raw(QStringLiteral("<P/>").repeated(25000)); // more than a pipe holds
        const QString error = executeError(connection);
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY2(tracedAsError(QStringLiteral("XML_Execute: the call of Failing failed: ") + error),
                 qPrintable(handOverText()));
        QVERIFY(!connection.requestDocument().contains(QLatin1String("<P/>")));
    }

    void timeOutComesFromTheEnvironment()
    {
        qputenv("ZENQ_SERVICE_TIMEOUT_MS", "1234");
        TZenqApplicationConnection fromEnvironment;
        qunsetenv("ZENQ_SERVICE_TIMEOUT_MS");
        TZenqApplicationConnection standard;
        QCOMPARE(fromEnvironment.timeoutMs(), 1234);
        QCOMPARE(standard.timeoutMs(), 30000);
    }

    void registryLoadsReleasesAndLoadsAgain()
    {
        writeService(QStringLiteral("Kept"), QStringLiteral("echo '<A/>'\n"));
        TZenqStandardService *service = ZenqServices_ServiceByName(QStringLiteral("Kept"), true);
        QVERIFY(service->isLoaded());
        QCOMPARE(service->programFile(), ZenqServiceProgramFile(QStringLiteral("Kept")));
        QCOMPARE(ZenqServices_ServiceByName(QStringLiteral("KEPT"), true), service);
        const int count = ZenqServices_Count();
        int index = -1;
        for (int i = 0; i < count; ++i)
            if (ZenqServices_Service(i) == service)
                index = i;
        QVERIFY(index >= 0);

        ZenqStandardService_Release(index);
        QVERIFY(!service->isLoaded());
        TZenqApplicationConnection connection;
        connection.Set_ZenqReceiverService(service);
        QVERIFY(executeError(connection).contains(QLatin1String("has been released")));
        QCOMPARE(ZenqServices_ServiceByName(QStringLiteral("Kept"), true), service);
        QVERIFY(service->isLoaded());
        QCOMPARE(ZenqServices_Count(), count);
    }

    void registryRefusesMissingServicesAndNamesOutsideBin_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no program") << "Absent" << "is not installed";
        QTest::newRow("empty name") << "" << "is not a service name";
        QTest::newRow("directory part") << "../Configs/ZenqFramework" << "is not a service name";
        QTest::newRow("parent directory") << ".." << "is not a service name";
    }
    void registryRefusesMissingServicesAndNamesOutsideBin()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const int count = ZenqServices_Count();
        QCOMPARE(ZenqServices_ServiceByName(name, false), nullptr);
        try {
            ZenqServices_ServiceByName(name, true);
            QFAIL("no error");
        } catch (const std::runtime_error &error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(reason), error.what());
        }
        QCOMPARE(ZenqServices_Count(), count);
    }
};

ZENQ_TEST_CLASS(ApplicationConnectionTest);
#include "ApplicationConnectionTest.moc"
