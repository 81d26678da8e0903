#pragma once
// The framework's web servers as the console sees them: whether each kind runs, its default address
// for a host, and the deliveries of a message name to the ISAPI, ASP and XMLHTTP servers over HTTP.
// A server makes itself known as running by a marker file in the runtime directory,
// servers/<kind>.server, holding its process id and loopback port; a marker whose process is gone does
// not count. Thread-safe, except the deliveries, which wait on the calling thread.
#include <QString>
#include <optional>

enum class ZenqServerKind { ISAPI, ASP, XMLHTTP, SOAP };

QString ZenqServerKindName(ZenqServerKind kind); // "isapi", "asp", "xmlhttp", "soap"
std::optional<ZenqServerKind> ZenqServerKindFromName(const QString &name);
// The program name a server of the kind has ("ZenqISAPIServer", "ZenqASPServer", ...).
QString ZenqServerProgramName(ZenqServerKind kind);

// A running server announces itself (and withdraws when it ends). False with *error on failure.
bool ZenqAnnounceServerRunning(ZenqServerKind kind, quint16 port, QString *error = nullptr);
void ZenqWithdrawServer(ZenqServerKind kind);
// The loopback port of the running server of the kind, if one runs.
std::optional<quint16> ZenqRunningServerPort(ZenqServerKind kind);

bool ZenqInterCommunicateIsRunning_ISAPIServer();
bool ZenqInterCommunicateIsRunning_ASPServer();
bool ZenqInterCommunicateIsRunning_XMLHTTPServer();
bool ZenqInterCommunicateIsRunning_SOAPServer();

// "host" plus the running server's port when the host names none (the local web server's default).
QString ZenqServerAuthority(ZenqServerKind kind, const QString &host);
QString _DEFAULTISAPISERVER(const QString &host);
QString _DEFAULTASPSERVER(const QString &host);
QString _DEFAULTXMLHTTPSERVER(const QString &host);

// Posts the message name to a server ("Message=" + name, form-encoded) and returns the answer body;
// empty when the server cannot be reached, answers with an error or takes longer than the time-out.
QString ZenqInterCommunicateWith_ISAPIServer(const QString &messageName, const QString &address, int options = 0);
QString ZenqInterCommunicateWith_ASPServer(const QString &messageName, const QString &address, int options = 0);
QString ZenqInterCommunicateWith_XMLHTTPServer(const QString &messageName, const QString &address, int options = 0);
// The time-out of the server deliveries in milliseconds (default 10000).
void ZenqSetServerDeliveryTimeout(int milliseconds);
int ZenqServerDeliveryTimeout();
