#include "ZenqApplicationConnection.h"

#include "ZenqConfig.h"
#include "ZenqCrypt.h"
#include "ZenqPaths.h"
#include "ZenqServices.h"
#include "ZenqTrace.h"
#include "ZenqTraceConstants.h"
#include "ZenqXmlFile.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringConverter>
#include <QXmlStreamReader>

#include <array>
#include <stdexcept>

namespace {

const QString crlf = QStringLiteral("\r\n");

const std::array<QString, 8> actionNames {
    QStringLiteral("OpenAndClose"),
    QStringLiteral("LeaveOpen"),
    QStringLiteral("WindowsGUIShowAsDesigned"),
    QStringLiteral("WindowsGUIShowLikeSenderForm"),
    QStringLiteral("WindowsGUIShowAsChild"),
    QStringLiteral("WindowsGUIShowAsChild_ClientAligned"),
    QStringLiteral("WindowsGUIShowAsDesignedModeless"),
    QStringLiteral("Close"),
};

[[noreturn]] void fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

struct User
{
    QString name;
    QString passwordHash;
    QString profileIds;
    QString language;
};

// The users of the framework configuration: <Users><User Name=".." PasswordHash=".." .../></Users>.
QList<User> frameworkUsers()
{
    const QString file = ZenqConfigurationFileName(QStringLiteral("ZenqFramework"));
    QString text;
    QString error;
    if (!JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text, nullptr, &error))
        fail(QStringLiteral("The users of the framework cannot be read from %1: %2").arg(file, error));
    QList<User> users;
    QXmlStreamReader reader(text);
    int usersDepth = -1, depth = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (usersDepth < 0 && reader.name() == QLatin1String("Users"))
                usersDepth = depth;
            else if (usersDepth > 0 && depth == usersDepth + 1 && reader.name() == QLatin1String("User")) {
                const QXmlStreamAttributes attributes = reader.attributes();
                users << User { attributes.value(QStringLiteral("Name")).toString(),
                                attributes.value(QStringLiteral("PasswordHash")).toString(),
                                attributes.value(QStringLiteral("ProfileIDs")).toString(),
                                attributes.value(QStringLiteral("Language")).toString() };
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == usersDepth)
                usersDepth = 0; // only the first Users element counts, as for every setting
            --depth;
        }
    }
    if (reader.hasError())
        fail(QStringLiteral("The users of the framework cannot be read from %1: %2 (line %3)")
                 .arg(file, reader.errorString(), QString::number(reader.lineNumber())));
    return users;
}

// Compares without stopping at the first difference, so the time taken tells nothing about the hash.
bool sameText(const QString &a, const QString &b)
{
    const QByteArray left = a.toUtf8().toLower();
    const QByteArray right = b.toUtf8().toLower();
    if (left.size() != right.size())
        return false;
    char difference = 0;
    for (qsizetype i = 0; i < left.size(); ++i)
        difference = char(difference | (left.at(i) ^ right.at(i)));
    return difference == 0;
}

QString newSessionId()
{
    QRandomGenerator *random = QRandomGenerator::system();
    return QStringLiteral("%1-%2")
        .arg(random->bounded(0x10000), 4, 16, QLatin1Char('0'))
        .arg(random->bounded(0x10000), 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString decodeAnswer(const QByteArray &bytes)
{
    const auto encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    return decoder.decode(bytes);
}

// The last lines of a program's error output, for the message that reports its failure.
QString errorOutputTail(const QByteArray &bytes)
{
    QStringList lines = decodeAnswer(bytes).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return {};
    if (lines.size() > 5)
        lines = lines.mid(lines.size() - 5);
    return QStringLiteral(" Its error output: ") + lines.join(QStringLiteral(" / "));
}

// Traces the reason as an error line, so it shows in the console beside the answers, and throws it.
[[noreturn]] void callFailed(const QString &receiver, const QString &reason)
{
    ZenqDS(ZenqTraceSpecialMarkers[0] + QStringLiteral("XML_Execute: the call of %1 failed: %2").arg(receiver, reason));
    fail(reason);
}

int defaultTimeoutMs()
{
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("ZENQ_SERVICE_TIMEOUT_MS", &ok);
    return ok && fromEnvironment > 0 ? fromEnvironment : 30000;
}

} // namespace

TZenqAction ZenqStringToAction(const QString &text)
{
    const QString name = text.trimmed();
    for (std::size_t i = 0; i < actionNames.size(); ++i) {
        if (actionNames[i].compare(name, Qt::CaseInsensitive) == 0)
            return TZenqAction(int(i));
    }
    fail(QStringLiteral("'%1' is no action; the actions are %2.")
             .arg(name, QStringList(actionNames.begin(), actionNames.end()).join(QStringLiteral(", "))));
}

QString ZenqActionToString(TZenqAction action)
{
    const int ordinal = int(action);
    return ordinal >= 0 && ordinal < int(actionNames.size()) ? actionNames[std::size_t(ordinal)] : QString::number(ordinal);
}

QString ZenqDateTimeToStr(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

bool ZenqXML_No_Execute()
{
    return false;
}

QString ZenqUserPasswordHash(const QString &storedUserName, const QString &password)
{
    return QStringLiteral("sha256:")
        + QString::fromLatin1(
              QCryptographicHash::hash((storedUserName + QLatin1Char(':') + password).toUtf8(), QCryptographicHash::Sha256)
                  .toHex());
}

QString ZenqAdministration_GenerateAndSetSessionIDProfileIDsAndLanguage(const TZenqAdministration *,
                                                                         const QString &applicationName,
                                                                         TZenqApplicationType,
                                                                         const QString &userName,
                                                                         const QString &password,
                                                                         QString &profileIds, QString &language)
{
    const QList<User> users = frameworkUsers();
    const User *found = nullptr;
    for (const User &user : users) {
        if (!user.name.isEmpty() && user.name.compare(userName, Qt::CaseInsensitive) == 0) {
            found = &user;
            break;
        }
    }
    const QString configuration = ZenqConfigurationFileName(QStringLiteral("ZenqFramework"));
    if (!found)
        fail(QStringLiteral("%1 cannot log in: there is no user '%2' among the users of %3.")
                 .arg(applicationName, userName, configuration));
    if (found->passwordHash.isEmpty() || !sameText(ZenqUserPasswordHash(found->name, password), found->passwordHash))
        fail(QStringLiteral("%1 cannot log in: the password of user '%2' is wrong.").arg(applicationName, found->name));
    profileIds = found->profileIds;
    language = found->language.trimmed().isEmpty()
        ? ZenqFile_ReadSimple(QStringLiteral("ZenqFramework"), QStringLiteral("DefaultLanguage"), QStringLiteral("ENGB"))
        : found->language;
    return newSessionId();
}

TZenqApplicationConnection::TZenqApplicationConnection()
    : m_timeoutMs(defaultTimeoutMs())
{
}

void TZenqApplicationConnection::XML_Write_ApplicationParameterStart(bool lineBreak, bool indent)
{
    m_parameters += (indent ? QStringLiteral("   ") : QString()) + QStringLiteral("<ApplicationParameter>")
        + (lineBreak ? crlf : QString());
}

void TZenqApplicationConnection::XML_Write_Raw(const QString &text)
{
    m_parameters += text;
}

void TZenqApplicationConnection::XML_Write_ApplicationParameterStop(bool lineBreak, bool indent)
{
    m_parameters += (indent ? QStringLiteral("   ") : QString()) + QStringLiteral("</ApplicationParameter>")
        + (lineBreak ? crlf : QString());
}

QString TZenqApplicationConnection::requestDocument() const
{
    const auto attribute = [](const char *name, const QString &value) {
        return QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), ZenqXmlEscapeAttribute(value));
    };
    QString document = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + crlf + QStringLiteral("<ZenqCall");
    document += attribute("ApplicationType", QString::number(int(m_applicationType)));
    document += attribute("Sender", m_sender);
    document += attribute("Receiver", m_receiver);
    document += attribute("SessionID", m_sessionId);
    document += attribute("ProfileIDs", m_profileIds);
    document += attribute("Language", m_language);
    document += attribute("DateTime", m_dateTime);
    document += attribute("CallLevel", m_callLevel);
    document += attribute("Action", ZenqActionToString(m_action));
    document += QStringLiteral(">") + crlf + m_parameters;
    if (!m_parameters.isEmpty() && !m_parameters.endsWith(QLatin1Char('\n')))
        document += crlf;
    document += QStringLiteral("</ZenqCall>") + crlf;
    return document;
}

QString TZenqApplicationConnection::XML_Execute()
{
    // The parameters belong to this call, whatever becomes of it.
    struct ConsumeParameters
    {
        QString &parameters;
        ~ConsumeParameters() { parameters.clear(); }
    } consume { m_parameters };

    TZenqStandardService *service = m_receiverService;
    if (!service) {
        try {
            service = ZenqServices_ServiceByName(m_receiver, true);
        } catch (const std::exception &error) {
            callFailed(m_receiver, QString::fromUtf8(error.what()));
        }
    }
    if (!service->isLoaded())
        callFailed(m_receiver, QStringLiteral("The service %1 has been released; load it again before calling it.").arg(service->name()));

    const QString request = requestDocument();
    m_lastRequest = request;
    const QString program = service->programFile();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ZENQ_ROOT"), ZenqGetRootDir()); // the service answers for this installation
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(ZenqGetApplicationsBinDir());
    const QDeadlineTimer deadline(m_timeoutMs);
    process.start(program, {});
    if (!process.waitForStarted(int(qMax<qint64>(1, deadline.remainingTime()))))
        callFailed(m_receiver, QStringLiteral("The program %1 of the service %2 cannot be started: %3")
                     .arg(program, service->name(), process.errorString()));
    process.write(request.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(int(qMax<qint64>(1, deadline.remainingTime())))) {
        process.kill();
        process.waitForFinished(5000);
        callFailed(m_receiver, QStringLiteral("The service %1 gave no answer within %2 ms and was stopped.")
                                   .arg(service->name(), QString::number(m_timeoutMs)));
    }
    const QByteArray errorOutput = process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit)
        callFailed(m_receiver, QStringLiteral("The program of the service %1 ended abnormally.%2")
                     .arg(service->name(), errorOutputTail(errorOutput)));
    if (process.exitCode() != 0)
        callFailed(m_receiver, QStringLiteral("The program of the service %1 ended with exit code %2.%3")
                                   .arg(service->name(), QString::number(process.exitCode()),
                                        errorOutputTail(errorOutput)));
    const QString answer = decodeAnswer(process.readAllStandardOutput());
    if (answer.trimmed().isEmpty())
        callFailed(m_receiver, QStringLiteral("The service %1 gave an empty answer.%2").arg(service->name(), errorOutputTail(errorOutput)));

    ZenqDS(QStringLiteral("XML_Execute: %1 answered (%2, session %3):")
               .arg(service->name(), ZenqActionToString(m_action), m_sessionId));
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString &line : answer.split(lineBreak, Qt::SkipEmptyParts))
        ZenqDS(QStringLiteral("   ") + line);
    return answer;
}
