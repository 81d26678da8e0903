// zenq server: a stand-in framework web server on loopback, so that broadcasts to the servers can be
// watched: it makes itself known as running, answers its delivery and traces every message it gets.
#include "Command.h"

#include "framework/ZenqServers.h"
#include "framework/ZenqTrace.h"
#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QXmlStreamReader>

namespace {

constexpr const char *name = "server";
constexpr qsizetype maxRequestBytes = 16 * 1024 * 1024;

// The message of a request: aXMLInput of a SOAP envelope, or the form field "Message".
QString messageOf(ZenqServerKind kind, const QByteArray &body)
{
    if (kind == ZenqServerKind::SOAP) {
        QXmlStreamReader reader(body);
        while (reader.readNextStartElement() || !reader.atEnd()) {
            if (reader.isStartElement() && reader.name() == QLatin1String("aXMLInput"))
                return reader.readElementText();
            if (reader.hasError())
                break;
        }
        return {};
    }
    return QUrlQuery(QString::fromUtf8(body)).queryItemValue(QStringLiteral("Message"), QUrl::FullyDecoded);
}

QByteArray answerFor(ZenqServerKind kind, const QString &message)
{
    QByteArray body;
    QByteArray type = "text/plain; charset=utf-8";
    if (kind == ZenqServerKind::SOAP) {
        type = "text/xml; charset=utf-8";
        body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
               "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
               "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
               "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><SOAP-ENV:Body>"
               "<NS1:XML_ExecuteResponse xmlns:NS1=\"urn:ZenqSOAPServerIntf-IZenqSOAPServer\">"
               "<aXMLOutput xsi:type=\"xsd:string\">"
            + ("received " + message).toHtmlEscaped().toUtf8()
            + "</aXMLOutput></NS1:XML_ExecuteResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    } else {
        body = ("received " + message).toUtf8();
    }
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

// Reads one HTTP request from the socket as it arrives; answers it once it is complete.
void serve(QTcpSocket *socket, ZenqServerKind kind)
{
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, kind, buffer] {
        *buffer += socket->readAll();
        const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
        if (buffer->size() > maxRequestBytes) {
            socket->abort();
            return;
        }
        if (headerEnd < 0)
            return;
        qsizetype length = 0;
        for (const QByteArray &line : buffer->left(headerEnd).split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (buffer->size() < headerEnd + 4 + length)
            return;
        const QString message = messageOf(kind, buffer->mid(headerEnd + 4, length));
        ZenqDS(QStringLiteral("%1 (stand-in): received %2").arg(ZenqServerProgramName(kind), message));
        socket->write(answerFor(kind, message));
        socket->disconnectFromHost();
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

int serverCommand(const QStringList &arguments)
{
    std::optional<ZenqServerKind> kind;
    int port = 0;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--kind") && i + 1 < arguments.size()) {
            kind = ZenqServerKindFromName(arguments.at(++i));
            if (!kind)
                return zenqtool::usageError(name, QStringLiteral("--kind takes soap, xmlhttp, asp or isapi"));
        } else if (argument == QLatin1String("--port") && i + 1 < arguments.size()) {
            bool ok = false;
            port = arguments.at(++i).toInt(&ok);
            if (!ok || port < 0 || port > 65535)
                return zenqtool::usageError(name, QStringLiteral("--port takes a number from 0 to 65535"));
        } else {
            return zenqtool::usageError(name, QStringLiteral("unexpected argument %1").arg(argument));
        }
    }
    if (!kind)
        return zenqtool::usageError(name, QStringLiteral("which kind of server? (--kind)"));
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, static_cast<quint16>(port)))
        return zenqtool::failure(name, QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(server.errorString()));
    QString error;
    if (!ZenqAnnounceServerRunning(*kind, server.serverPort(), &error))
        return zenqtool::failure(name, error);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, kind] {
        while (QTcpSocket *socket = server.nextPendingConnection())
            serve(socket, *kind);
    });
    platform::quitOnTerminationSignals();
    zenqtool::err() << ZenqServerProgramName(*kind) << " (stand-in) running at http://127.0.0.1:" << server.serverPort()
                    << "\n";
    zenqtool::err().flush();
    const int exitCode = QCoreApplication::exec();
    ZenqWithdrawServer(*kind);
    return exitCode;
}

} // namespace

ZENQ_COMMAND("server", "--kind soap|xmlhttp|asp|isapi [--port N]",
             "Run a stand-in framework web server on 127.0.0.1 until interrupted: it makes itself known as running\n"
             "(servers/<kind>.server in the runtime directory), answers its delivery (XML_Execute for SOAP, a form\n"
             "field \"Message\" otherwise) and traces every message it receives, so a broadcast shows in the console.",
             serverCommand);
