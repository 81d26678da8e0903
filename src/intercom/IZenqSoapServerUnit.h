#pragma once
// The framework SOAP server's one remote operation, XML_Execute, and the console's call of it: a SOAP 1.1
// RPC/encoded request over HTTP. Any thread with an event dispatcher; a client object is not thread-safe,
// the free functions are reentrant.
#include "framework/ZenqMessages.h"

#include <QByteArray>
#include <QString>

#include <stdexcept>

inline const QString ZenqSOAPServerNamespace = QStringLiteral("urn:ZenqSOAPServerIntf-IZenqSOAPServer");
inline const QString ZenqSOAPServerAction = QStringLiteral("urn:ZenqSOAPServerIntf-IZenqSOAPServer#XML_Execute");
// The tail of the server's WSDL address, and what replaces it to give the endpoint.
inline const QString ZenqSOAPServerWsdlTail = QStringLiteral(".dll/wsdl/IZenqSOAPServer");
inline const QString ZenqSOAPServerSoapTail = QStringLiteral(".dll/soap");

// Why a call of the remote interface failed: refused or broken connection, HTTP status, time-out,
// SOAP fault or an answer that is not the expected envelope.
class ZenqSOAPError : public std::runtime_error
{
public:
    explicit ZenqSOAPError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The remote interface of the framework's SOAP server.
class IZenqSOAPServer
{
public:
    virtual ~IZenqSOAPServer() = default;
    // Sends aXMLInput and the current aXMLOutput; aXMLOutput receives the server's answer. Throws
    // ZenqSOAPError on any failure, leaving aXMLOutput unchanged.
    virtual void XML_Execute(const QString &aXMLInput, QString &aXMLOutput) = 0;
};

// IZenqSOAPServer over HTTP to one endpoint, waiting for each answer in a local event loop that
// excludes user input. Lives on the calling thread; not thread-safe.
class ZenqSOAPHttpClient : public IZenqSOAPServer
{
public:
    explicit ZenqSOAPHttpClient(const QString &endpoint);
    ZenqSOAPHttpClient(const ZenqSOAPHttpClient &) = delete;
    ZenqSOAPHttpClient &operator=(const ZenqSOAPHttpClient &) = delete;

    QString endpoint() const { return m_endpoint; }
    void XML_Execute(const QString &aXMLInput, QString &aXMLOutput) override;

private:
    QString m_endpoint;
};

// The request body of XML_Execute: a UTF-8 SOAP 1.1 envelope, RPC style with SOAP encoding.
QByteArray ZenqSOAPServerRequestEnvelope(const QString &aXMLInput, const QString &aXMLOutput);
// The aXMLOutput of an XML_ExecuteResponse envelope (any prefixes; a multiRef href is followed). Throws
// ZenqSOAPError for a fault, a malformed answer or one without the response element.
QString ZenqSOAPServerParseResponse(const QByteArray &body);

// The endpoint for a WSDL address: its first ".dll/wsdl/IZenqSOAPServer" in any letter case becomes
// ".dll/soap"; an address without it is returned unchanged.
QString ZenqSOAPServerEndpoint(const QString &address);
// The WSDL address of the SOAP server on a host ("name" or "name:port"):
// http://HOST/zenq/ZenqSOAPServer.dll/wsdl/IZenqSOAPServer.
QString _DEFAULTSOAPSERVER(const QString &host);

// The longest wait for one HTTP exchange, 30 s unless set; thread-safe. For tests and tools.
int ZenqSOAPTimeoutMs();
void ZenqSetSOAPTimeoutMs(int milliseconds);

// Hands the message name to the SOAP server's XML_Execute at the endpoint of `address` and
// puts the answer into `answer` (empty first). Options show the wait cursor and progress window for the
// call. Never throws and never shows a message: every failure leaves the answer empty and, when `error`
// is given, says why there (else `error` is set empty).
void DeliverToSOAPServer(const QString &messageName, const QString &address, TZenqMessageOptions options,
                         QString &answer, QString *error = nullptr);
