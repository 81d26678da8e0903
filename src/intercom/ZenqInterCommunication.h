#pragma once
// The console's broadcasts to the other framework programs and its deliveries to the web servers.
// UI thread only.
#include "framework/ZenqMessages.h"

// The framework window classes in the order the full broadcast addresses them (the framework server
// and browser programs in third and fourth place).
const QStringList &ZenqFrameworkWindowClassesInBroadcastOrder();

// Full broadcast: posts the message to every framework window class, the console's own included, then
// delivers it to each running web server (ISAPI, ASP, XMLHTTP, SOAP), inside the frame of the options
// (wait cursor, progress window, bring to front), which is undone on every path.
void BroadcastToAllApplications(const QString &messageName, TZenqMessageOptions options);
// Service broadcast: the service windows, then the running web servers, in the same frame.
void BroadcastToServices(const QString &messageName, TZenqMessageOptions options);

// The host of every server address: the local web site's address, or "127.0.0.1" without one.
QString WebServerHost();
// The ASP delivery, which instead touches "ZenqApplications.Zenqc" (one trailing blank more or less)
// when a local ASP server with several worker processes re-reads that file by itself.
QString DeliverToASPServer(const QString &messageName, const QString &address, TZenqMessageOptions options);

// Running processes whose executable name, without directory and extension, equals `name` (case ignored).
int CountProcessesNamed(const QString &name);
// More than one "w3wp" process (the web server's worker processes) runs.
bool MoreThanOneWorkerProcess();
// The autocheck setting "ZenqApplications_Zenqc_Changes_Autocheck" of "ZenqApplications" reads 1.
bool ZenqApplicationsAutocheckOn();
