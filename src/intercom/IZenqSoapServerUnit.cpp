#include "IZenqSoapServerUnit.h"

#include "framework/ZenqUserInterface.h"

#include <QEventLoop>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <atomic>
#include <memory>

namespace {

const QString SoapEnvelopeNamespace = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
const QString SoapEncodingNamespace = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");
const QString XsdNamespace = QStringLiteral("http://www.w3.org/2001/XMLSchema");
const QString XsiNamespace = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
const QString Operation = QStringLiteral("XML_Execute");
const QString OutputAccessor = QStringLiteral("aXMLOutput");

std::atomic<int> g_timeoutMs { 30000 };

void writeStringAccessor(QXmlStreamWriter &writer, const QString &name, const QString &value)
{
    writer.writeStartElement(name); // unqualified, as RPC/encoded accessors are
    writer.writeAttribute(XsiNamespace, QStringLiteral("type"), QStringLiteral("xsd:string"));
    writer.writeCharacters(value);
    writer.writeEndElement();
}

bool isNil(const QXmlStreamAttributes &attributes)
{
    const QStringView nil = attributes.value(XsiNamespace, QStringLiteral("nil"));
    return nil == QLatin1String("true") || nil == QLatin1String("1");
}

// The fault's code and string, read up to the fault's end tag.
QString readFault(QXmlStreamReader &reader)
{
    QString code, text;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("faultcode"))
            code = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        else if (reader.name() == QLatin1String("faultstring"))
            text = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        else
            reader.skipCurrentElement();
    }
    return QStringLiteral("SOAP fault %1: %2").arg(code.isEmpty() ? QStringLiteral("(no code)") : code, text);
}

// A short piece of an unexpected answer for the diagnostic.
QString excerpt(const QByteArray &body)
{
    QString text = QString::fromUtf8(body.left(200)).simplified();
    return text.isEmpty() ? QStringLiteral("(empty body)") : text;
}

} // namespace

QByteArray ZenqSOAPServerRequestEnvelope(const QString &aXMLInput, const QString &aXMLOutput)
{
    QByteArray body;
    QXmlStreamWriter writer(&body); // always UTF-8 in Qt 6
    writer.writeStartDocument();
    writer.writeNamespace(SoapEnvelopeNamespace, QStringLiteral("SOAP-ENV"));
    writer.writeNamespace(XsdNamespace, QStringLiteral("xsd"));
    writer.writeNamespace(XsiNamespace, QStringLiteral("xsi"));
    writer.writeNamespace(SoapEncodingNamespace, QStringLiteral("SOAP-ENC"));
    writer.writeStartElement(SoapEnvelopeNamespace, QStringLiteral("Envelope"));
    writer.writeStartElement(SoapEnvelopeNamespace, QStringLiteral("Body"));
    writer.writeAttribute(SoapEnvelopeNamespace, QStringLiteral("encodingStyle"), SoapEncodingNamespace);
    // Declared on the method element itself, where RPC servers conventionally look for it.
    writer.writeStartElement(QStringLiteral("NS1:") + Operation);
    writer.writeNamespace(ZenqSOAPServerNamespace, QStringLiteral("NS1"));
    writeStringAccessor(writer, QStringLiteral("aXMLInput"), aXMLInput);
    writeStringAccessor(writer, OutputAccessor, aXMLOutput);
    writer.writeEndDocument();
    return body;
}

QString ZenqSOAPServerParseResponse(const QByteArray &body)
{
    QXmlStreamReader reader(body);
    bool inBody = false;
    bool sawResponse = false;
    int responseDepth = -1; // depth of the response element while inside it
    int depth = 0;
    QString output, href;
    QHash<QString, QString> textById; // multiRef values, which may come after the response
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (depth == responseDepth)
                responseDepth = -1;
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        const QStringView name = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (name == QLatin1String("Body") && reader.namespaceUri() == SoapEnvelopeNamespace) {
            inBody = true;
        } else if (!inBody) {
            continue;
        } else if (name == QLatin1String("Fault") && reader.namespaceUri() == SoapEnvelopeNamespace) {
            throw ZenqSOAPError(readFault(reader));
        } else if (name == QString(Operation + QLatin1String("Response")) && !sawResponse) {
            sawResponse = true;
            responseDepth = depth;
        } else if (responseDepth > 0 && depth == responseDepth + 1 && name == OutputAccessor) {
            if (attributes.hasAttribute(QStringLiteral("href"))) {
                href = attributes.value(QStringLiteral("href")).toString();
                reader.skipCurrentElement();
            } else if (isNil(attributes)) {
                output.clear();
                reader.skipCurrentElement();
            } else {
                output = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            }
            --depth; // the reader is now past the accessor's end tag
        } else if (attributes.hasAttribute(QStringLiteral("id"))) {
            textById.insert(attributes.value(QStringLiteral("id")).toString(),
                            isNil(attributes) ? QString()
                                              : reader.readElementText(QXmlStreamReader::IncludeChildElements));
            --depth;
        }
    }
    if (reader.hasError())
        throw ZenqSOAPError(QStringLiteral("malformed answer (%1 at line %2): %3")
                                .arg(reader.errorString())
                                .arg(reader.lineNumber())
                                .arg(excerpt(body)));
    if (!inBody)
        throw ZenqSOAPError(QStringLiteral("the answer is not a SOAP envelope: %1").arg(excerpt(body)));
    if (!sawResponse)
        throw ZenqSOAPError(QStringLiteral("the answer holds no %1Response").arg(Operation));
    if (!href.isEmpty()) {
        const auto found = textById.constFind(href.startsWith(QLatin1Char('#')) ? href.mid(1) : href);
        if (found == textById.constEnd())
            throw ZenqSOAPError(QStringLiteral("the answer's reference %1 points nowhere").arg(href));
        output = *found;
    }
    return output;
}

ZenqSOAPHttpClient::ZenqSOAPHttpClient(const QString &endpoint) : m_endpoint(endpoint) {}

void ZenqSOAPHttpClient::XML_Execute(const QString &aXMLInput, QString &aXMLOutput)
{
    const QUrl url(m_endpoint, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        throw ZenqSOAPError(QStringLiteral("not an address: \"%1\"").arg(m_endpoint));

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/xml"));
    request.setRawHeader("SOAPAction", '"' + ZenqSOAPServerAction.toUtf8() + '"');
    // A POST must not silently become a GET elsewhere; a redirect counts as an HTTP failure.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.post(request, ZenqSOAPServerRequestEnvelope(aXMLInput, aXMLOutput)));
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort(); // emits finished
    });
    deadline.start(ZenqSOAPTimeoutMs());
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents); // no clicks re-enter the caller meanwhile
    deadline.stop();

    if (timedOut)
        throw ZenqSOAPError(QStringLiteral("no answer from %1 within %2 ms").arg(m_endpoint).arg(ZenqSOAPTimeoutMs()));
    const QByteArray body = reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        if (status == 0)
            throw ZenqSOAPError(QStringLiteral("%1: %2").arg(m_endpoint, reply->errorString()));
        // A server reports a fault with status 500 and a fault envelope: the fault is the better reason.
        try {
            ZenqSOAPServerParseResponse(body);
        } catch (const ZenqSOAPError &fault) {
            if (fault.message().startsWith(QLatin1String("SOAP fault")))
                throw;
        }
        throw ZenqSOAPError(QStringLiteral("HTTP %1 %2 from %3")
                                .arg(status)
                                .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                                     m_endpoint));
    }
    aXMLOutput = ZenqSOAPServerParseResponse(body);
}

QString ZenqSOAPServerEndpoint(const QString &address)
{
    QString endpoint = address;
    const qsizetype at = endpoint.indexOf(ZenqSOAPServerWsdlTail, 0, Qt::CaseInsensitive);
    if (at >= 0)
        endpoint.replace(at, ZenqSOAPServerWsdlTail.size(), ZenqSOAPServerSoapTail);
    return endpoint;
}

QString _DEFAULTSOAPSERVER(const QString &host)
{
    return QStringLiteral("http://%1/zenq/ZenqSOAPServer%2").arg(host, ZenqSOAPServerWsdlTail);
}

int ZenqSOAPTimeoutMs()
{
    return g_timeoutMs.load();
}

void ZenqSetSOAPTimeoutMs(int milliseconds)
{
    g_timeoutMs.store(qMax(1, milliseconds));
}

namespace {

// The cursor and progress window of the options, taken back however the call ends.
class DeliveryFrame
{
public:
    explicit DeliveryFrame(TZenqMessageOptions options) : m_options(options)
    {
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            JWaitCursor();
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            m_progress = ZenqUI().showProgressMessage(ZenqInformingOtherApplicationsText);
    }
    ~DeliveryFrame()
    {
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            ZenqUI().closeProgressMessage(m_progress);
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            JDefaultCursor();
    }
    DeliveryFrame(const DeliveryFrame &) = delete;
    DeliveryFrame &operator=(const DeliveryFrame &) = delete;

private:
    TZenqMessageOptions m_options;
    int m_progress = 0;
};

} // namespace

void DeliverToSOAPServer(const QString &messageName, const QString &address, TZenqMessageOptions options,
                         QString &answer, QString *error)
{
    answer.clear();
    if (error)
        error->clear();
    const QString endpoint = ZenqSOAPServerEndpoint(address);
    DeliveryFrame frame(options);
    try {
        ZenqSOAPHttpClient client(endpoint);
        client.XML_Execute(messageName, answer);
    } catch (const std::exception &failure) {
        // A SOAP server that is absent or broken must not stop a broadcast: the caller goes on.
        if (error)
            *error = QString::fromStdString(failure.what());
    }
}
