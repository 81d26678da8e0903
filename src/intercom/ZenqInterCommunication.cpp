#include "ZenqInterCommunication.h"

#include "IZenqSoapServerUnit.h"
#include "ZenqIISHelper.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqServers.h"
#include "framework/ZenqUserInterface.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"
#include "platform/Processes.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// Shows what the options ask for and takes it back when the broadcast ends, however it ends.
class BroadcastFrame
{
public:
    explicit BroadcastFrame(TZenqMessageOptions options) : m_options(options)
    {
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            JWaitCursor();
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            m_progress = ZenqUI().showProgressMessage(ZenqInformingOtherApplicationsText);
    }
    ~BroadcastFrame()
    {
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            ZenqUI().closeProgressMessage(m_progress);
        if (m_options.testFlag(TZenqMessageOption::BringToFront))
            ZenqUI().bringToFront();
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            JDefaultCursor();
    }
    BroadcastFrame(const BroadcastFrame &) = delete;
    BroadcastFrame &operator=(const BroadcastFrame &) = delete;

private:
    TZenqMessageOptions m_options;
    int m_progress = 0;
};

void postToWindowClass(const QString &messageName, const QString &windowClass)
{
    ZenqInterCommunicateWith_AllWindowsOfAWindowClass(messageName, windowClass, {}, true, 0, QString());
}

// The running servers in the order ISAPI, ASP, XMLHTTP, SOAP; answers are discarded.
void deliverToServers(const QString &messageName)
{
    if (ZenqInterCommunicateIsRunning_ISAPIServer())
        ZenqInterCommunicateWith_ISAPIServer(messageName, _DEFAULTISAPISERVER(WebServerHost()));
    if (ZenqInterCommunicateIsRunning_ASPServer())
        DeliverToASPServer(messageName, _DEFAULTASPSERVER(WebServerHost()), {});
    if (ZenqInterCommunicateIsRunning_XMLHTTPServer())
        ZenqInterCommunicateWith_XMLHTTPServer(messageName, _DEFAULTXMLHTTPSERVER(WebServerHost()));
    if (ZenqInterCommunicateIsRunning_SOAPServer()) {
        QString answer;
        DeliverToSOAPServer(messageName, _DEFAULTSOAPSERVER(ZenqServerAuthority(ZenqServerKind::SOAP, WebServerHost())), {},
                            answer);
    }
}

} // namespace

const QStringList &ZenqFrameworkWindowClassesInBroadcastOrder()
{
    static const QStringList classes {
        ZenqWindowClass::ServiceWindow, ZenqWindowClass::Console,         ZenqWindowClass::Server,
        ZenqWindowClass::Browser,       ZenqWindowClass::SXTEditor,       ZenqWindowClass::Monitor,
        ZenqWindowClass::FrameworkEngine, ZenqWindowClass::FrameworkHelper,
    };
    return classes;
}

void BroadcastToAllApplications(const QString &messageName, TZenqMessageOptions options)
{
    BroadcastFrame frame(options);
    for (const QString &windowClass : ZenqFrameworkWindowClassesInBroadcastOrder())
        postToWindowClass(messageName, windowClass);
    deliverToServers(messageName);
}

void BroadcastToServices(const QString &messageName, TZenqMessageOptions options)
{
    BroadcastFrame frame(options);
    postToWindowClass(messageName, ZenqWindowClass::ServiceWindow);
    deliverToServers(messageName);
}

QString WebServerHost()
{
    return ZenqIISWebServerHost();
}

int CountProcessesNamed(const QString &name)
{
    int count = 0;
    for (const QString &executable : platform::runningExecutableNames())
        if (QFileInfo(executable).completeBaseName().compare(name, Qt::CaseInsensitive) == 0)
            ++count;
    return count;
}

bool MoreThanOneWorkerProcess()
{
    return CountProcessesNamed(QStringLiteral("w3wp")) > 1;
}

bool ZenqApplicationsAutocheckOn()
{
    return ZenqFile_ReadSimpleInteger(QStringLiteral("ZenqApplications"),
                                      QStringLiteral("ZenqApplications_Zenqc_Changes_Autocheck"), 0)
        == 1;
}

QString DeliverToASPServer(const QString &messageName, const QString &address, TZenqMessageOptions options)
{
    const bool shortcut = messageName == QLatin1String("WM_ZenqApplicationParameterChanged") && MoreThanOneWorkerProcess()
        && ZenqApplicationsAutocheckOn() && address.contains(QLatin1String("127.0.0.1"));
    if (!shortcut)
        return ZenqInterCommunicateWith_ASPServer(messageName, address, static_cast<int>(options.toInt()));
    // The local ASP server re-reads the file when it changes: one trailing blank more or less does it.
    const QString file = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc"));
    QString text;
    int type = ZenqXMLFilePlain;
    if (JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text, &type)) {
        if (!text.isEmpty() && text.back() == QLatin1Char(' '))
            text.chop(1);
        else
            text += QLatin1Char(' ');
        JSaveToXMLFile(file, text, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), type);
    }
    return {};
}
