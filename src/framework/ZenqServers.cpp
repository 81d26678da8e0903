#include "ZenqServers.h"

#include "ZenqFiles.h"
#include "platform/Processes.h"
#include "platform/RuntimeDirectory.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <atomic>
#include <exception>

namespace {

std::atomic<int> deliveryTimeoutMs { 10000 };

QString markerFile(ZenqServerKind kind)
{
    return platform::runtimeSubDirectory(QStringLiteral("servers")) + QLatin1Char('/') + ZenqServerKindName(kind)
        + QStringLiteral(".server");
}

QString serverAddress(ZenqServerKind kind, const QString &host, const QString &path)
{
    return QStringLiteral("http://") + ZenqServerAuthority(kind, host) + path;
}

QString postMessage(const QString &messageName, const QString &address)
{
    const QUrl url(address);
    if (!url.isValid() || url.scheme().isEmpty())
        return {};
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(deliveryTimeoutMs);
    QUrlQuery body;
    body.addQueryItem(QStringLiteral("Message"), messageName);
    QNetworkReply *reply = manager.post(request, body.toString(QUrl::FullyEncoded).toUtf8());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(deliveryTimeoutMs + 1000, &loop, &QEventLoop::quit); // the transfer time-out ends it first
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    QString answer;
    if (reply->isFinished() && reply->error() == QNetworkReply::NoError)
        answer = QString::fromUtf8(reply->readAll());
    reply->abort();
    delete reply;
    return answer;
}

} // namespace

QString ZenqServerKindName(ZenqServerKind kind)
{
    switch (kind) {
    case ZenqServerKind::ISAPI: return QStringLiteral("isapi");
    case ZenqServerKind::ASP: return QStringLiteral("asp");
    case ZenqServerKind::XMLHTTP: return QStringLiteral("xmlhttp");
    case ZenqServerKind::SOAP: return QStringLiteral("soap");
    }
    return {};
}

std::optional<ZenqServerKind> ZenqServerKindFromName(const QString &name)
{
    for (ZenqServerKind kind : { ZenqServerKind::ISAPI, ZenqServerKind::ASP, ZenqServerKind::XMLHTTP, ZenqServerKind::SOAP })
        if (ZenqServerKindName(kind) == name.toLower())
            return kind;
    return std::nullopt;
}

QString ZenqServerProgramName(ZenqServerKind kind)
{
    switch (kind) {
    case ZenqServerKind::ISAPI: return QStringLiteral("ZenqISAPIServer");
    case ZenqServerKind::ASP: return QStringLiteral("ZenqASPServer");
    case ZenqServerKind::XMLHTTP: return QStringLiteral("ZenqXMLHTTPServer");
    case ZenqServerKind::SOAP: return QStringLiteral("ZenqSOAPServer");
    }
    return {};
}

bool ZenqAnnounceServerRunning(ZenqServerKind kind, quint16 port, QString *error)
{
    try {
        const QByteArray content = "pid=" + QByteArray::number(platform::currentProcessId()) + "\nport="
            + QByteArray::number(port) + '\n';
        return JSaveBytesAtomically(markerFile(kind), content, error);
    } catch (const std::exception &failure) {
        if (error)
            *error = QString::fromUtf8(failure.what());
        return false;
    }
}

void ZenqWithdrawServer(ZenqServerKind kind)
{
    try {
        const QString file = markerFile(kind);
        QFile marker(file); // only our own marker is removed
        if (marker.open(QIODevice::ReadOnly)
            && marker.readAll().startsWith("pid=" + QByteArray::number(platform::currentProcessId()) + '\n')) {
            marker.close();
            QFile::remove(file);
        }
    } catch (const std::exception &) {
    }
}

std::optional<quint16> ZenqRunningServerPort(ZenqServerKind kind)
{
    try {
        QFile marker(markerFile(kind));
        if (!marker.open(QIODevice::ReadOnly))
            return std::nullopt;
        qint64 pid = 0;
        int port = -1;
        for (const QByteArray &line : marker.readAll().split('\n')) {
            if (line.startsWith("pid="))
                pid = line.mid(4).toLongLong();
            else if (line.startsWith("port="))
                port = line.mid(5).toInt();
        }
        if (!platform::isProcessAlive(pid) || port < 0 || port > 65535)
            return std::nullopt;
        return static_cast<quint16>(port);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

bool ZenqInterCommunicateIsRunning_ISAPIServer() { return ZenqRunningServerPort(ZenqServerKind::ISAPI).has_value(); }
bool ZenqInterCommunicateIsRunning_ASPServer() { return ZenqRunningServerPort(ZenqServerKind::ASP).has_value(); }
bool ZenqInterCommunicateIsRunning_XMLHTTPServer() { return ZenqRunningServerPort(ZenqServerKind::XMLHTTP).has_value(); }
bool ZenqInterCommunicateIsRunning_SOAPServer() { return ZenqRunningServerPort(ZenqServerKind::SOAP).has_value(); }

QString ZenqServerAuthority(ZenqServerKind kind, const QString &host)
{
    if (host.contains(QLatin1Char(':')))
        return host;
    const auto port = ZenqRunningServerPort(kind);
    return port && *port != 80 ? host + QLatin1Char(':') + QString::number(*port) : host;
}

QString _DEFAULTISAPISERVER(const QString &host)
{
    return serverAddress(ZenqServerKind::ISAPI, host, QStringLiteral("/zenq/ZenqISAPIServer.dll"));
}

QString _DEFAULTASPSERVER(const QString &host)
{
    return serverAddress(ZenqServerKind::ASP, host, QStringLiteral("/zenq/ZenqASPServer.asp"));
}

QString _DEFAULTXMLHTTPSERVER(const QString &host)
{
    return serverAddress(ZenqServerKind::XMLHTTP, host, QStringLiteral("/zenq/ZenqXMLHTTPServer.dll"));
}

QString ZenqInterCommunicateWith_ISAPIServer(const QString &messageName, const QString &address, int)
{
    return postMessage(messageName, address);
}

QString ZenqInterCommunicateWith_ASPServer(const QString &messageName, const QString &address, int)
{
    return postMessage(messageName, address);
}

QString ZenqInterCommunicateWith_XMLHTTPServer(const QString &messageName, const QString &address, int)
{
    return postMessage(messageName, address);
}

void ZenqSetServerDeliveryTimeout(int milliseconds)
{
    deliveryTimeoutMs = milliseconds > 0 ? milliseconds : 10000;
}

int ZenqServerDeliveryTimeout()
{
    return deliveryTimeoutMs;
}
