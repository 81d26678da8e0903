// The call of the SOAP server's XML_Execute: the endpoint, the request on the wire, the answer read
// back, and every failure swallowed without output, message or hang.
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "intercom/IZenqSoapServerUnit.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString EnvelopeNs = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
const QString EncodingNs = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");
const QString XsiNs = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");

// One HTTP exchange on 127.0.0.1, standing in for a SOAP 1.1 RPC/encoded server: records the request and
// sends the canned answer once the request is complete, or nothing at all when `silent`.
class LoopbackHttpServer : public QObject
{
public:
    LoopbackHttpServer()
    {
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString address(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    void answer(int status, const QByteArray &contentType, const QByteArray &body)
    {
        m_response = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error")
            + "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n" + body;
    }
    void stayQuiet() { m_silent = true; }

    QByteArray requestLine;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;

private:
    void readFrom(QTcpSocket *socket)
    {
        m_received += socket->readAll();
        const qsizetype headerEnd = m_received.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = m_received.left(headerEnd).split('\n');
        requestLine = lines.first().trimmed();
        headers.clear();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        body = m_received.mid(headerEnd + 4);
        if (body.size() < headers.value("content-length").toLongLong() || m_silent)
            return;
        socket->write(m_response);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_received;
    QByteArray m_response = "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n";
    bool m_silent = false;
};

QByteArray envelope(const QByteArray &envPrefix, const QByteArray &bodyContent, const QByteArray &extraNs = {})
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><" + envPrefix + ":Envelope xmlns:" + envPrefix
        + "=\"http://schemas.xmlsoap.org/soap/envelope/\" "
          "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
          "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        + extraNs + "><" + envPrefix + ":Body " + envPrefix
        + ":encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">" + bodyContent + "</" + envPrefix
        + ":Body></" + envPrefix + ":Envelope>";
}

QByteArray response(const QByteArray &prefix, const QByteArray &accessor)
{
    return "<" + prefix + ":XML_ExecuteResponse xmlns:" + prefix + "=\"urn:ZenqSOAPServerIntf-IZenqSOAPServer\">"
        + accessor + "</" + prefix + ":XML_ExecuteResponse>";
}

const QByteArray FaultBody = "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
                             "<faultstring>no such message</faultstring></SOAP-ENV:Fault>";

// The accessors of the request's one method element, by name, with their xsi:type.
struct ParsedRequest
{
    QString methodNamespace, methodName, encodingStyle;
    QStringList accessorNames, accessorNamespaces, accessorTypes, accessorTexts;
    bool wellFormed = false;
};

ParsedRequest parseRequest(const QByteArray &body)
{
    ParsedRequest parsed;
    QXmlStreamReader reader(body);
    int depth = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        if (depth == 2 && reader.name() == QLatin1String("Body") && reader.namespaceUri() == EnvelopeNs)
            parsed.encodingStyle = reader.attributes().value(EnvelopeNs, QStringLiteral("encodingStyle")).toString();
        if (depth == 3) {
            parsed.methodNamespace = reader.namespaceUri().toString();
            parsed.methodName = reader.name().toString();
        }
        if (depth == 4) {
            parsed.accessorNames << reader.name().toString();
            parsed.accessorNamespaces << reader.namespaceUri().toString();
            parsed.accessorTypes << reader.attributes().value(XsiNs, QStringLiteral("type")).toString();
            parsed.accessorTexts << reader.readElementText();
            --depth;
        }
    }
    parsed.wellFormed = !reader.hasError();
    return parsed;
}

} // namespace

class SoapCallTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { ZenqSetSOAPTimeoutMs(30000); }

    void endpoint_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("endpoint");
        QTest::newRow("default form") << "http://h/zenq/ZenqSOAPServer.dll/wsdl/IZenqSOAPServer"
                                      << "http://h/zenq/ZenqSOAPServer.dll/soap";
        QTest::newRow("other letter case") << "http://h/x.DLL/WSDL/izenqsoapserver"
                                           << "http://h/x.dll/soap";
        QTest::newRow("only the first occurrence")
            << "http://h/a.dll/wsdl/IZenqSOAPServer/b.dll/wsdl/IZenqSOAPServer"
            << "http://h/a.dll/soap/b.dll/wsdl/IZenqSOAPServer";
        QTest::newRow("not at the end") << "http://h/a.dll/wsdl/IZenqSOAPServer?x=1" << "http://h/a.dll/soap?x=1";
        QTest::newRow("without the text") << "http://h/a.dll/wsdl/IOther" << "http://h/a.dll/wsdl/IOther";
        QTest::newRow("empty") << "" << "";
    }
    void endpoint()
    {
        QFETCH(QString, address);
        QFETCH(QString, endpoint);
        QCOMPARE(ZenqSOAPServerEndpoint(address), endpoint);
    }

    void defaultAddressIsTheWsdlOfTheHost()
    {
        const QString address = _DEFAULTSOAPSERVER(QStringLiteral("127.0.0.1:8080"));
        QCOMPARE(address, QStringLiteral("http://127.0.0.1:8080/zenq/ZenqSOAPServer.dll/wsdl/IZenqSOAPServer"));
        QCOMPARE(ZenqSOAPServerEndpoint(address),
                 QStringLiteral("http://127.0.0.1:8080/zenq/ZenqSOAPServer.dll/soap"));
    }

    void requestOnTheWire_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("message name, empty output") << "WM_ZenqApplicationParameterChanged" << "";
        QTest::newRow("markup characters escaped") << "<a x=\"1\">&amp; & ></a>" << "<&>";
        QTest::newRow("non-ASCII as UTF-8") << QStringLiteral("Grüße € \U0001F600") << "";
        QTest::newRow("line breaks and blanks kept") << "  a\n\tb  " << "";
    }
    void requestOnTheWire()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        LoopbackHttpServer server;
        server.answer(200, "text/xml", envelope("SOAP-ENV", response("NS1", "<return/>")));
        ZenqSOAPHttpClient client(
            ZenqSOAPServerEndpoint(server.address(QStringLiteral("/zenq/ZenqSOAPServer.dll/WSDL/izenqsoapserver"))));
        QString inOut = output;
        client.XML_Execute(input, inOut);

        QCOMPARE(server.requestLine, QByteArray("POST /zenq/ZenqSOAPServer.dll/soap HTTP/1.1"));
        QCOMPARE(server.headers.value("content-type"), QByteArray("text/xml"));
        QCOMPARE(server.headers.value("soapaction"),
                 QByteArray("\"urn:ZenqSOAPServerIntf-IZenqSOAPServer#XML_Execute\""));
        QCOMPARE(server.headers.value("content-length").toLongLong(), server.body.size());

        QVERIFY(server.body.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        if (input.contains(QLatin1Char('<')))
            QVERIFY(!server.body.contains(input.toUtf8()));
        const ParsedRequest parsed = parseRequest(server.body);
        QVERIFY(parsed.wellFormed);
        QCOMPARE(parsed.encodingStyle, EncodingNs);
        QCOMPARE(parsed.methodNamespace, QStringLiteral("urn:ZenqSOAPServerIntf-IZenqSOAPServer"));
        QCOMPARE(parsed.methodName, QStringLiteral("XML_Execute"));
        QCOMPARE(parsed.accessorNames, QStringList({ "aXMLInput", "aXMLOutput" }));
        QCOMPARE(parsed.accessorNamespaces, QStringList({ "", "" }));
        QCOMPARE(parsed.accessorTypes, QStringList({ "xsd:string", "xsd:string" }));
        QCOMPARE(parsed.accessorTexts, QStringList({ input, output }));
        QVERIFY(server.body.contains("xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""));
    }

    void answerReadBack_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("output");
        QTest::newRow("usual prefixes") << envelope("SOAP-ENV", response("NS1", "<aXMLOutput xsi:type=\"xsd:string\">"
                                                                                "&lt;ok/&gt;</aXMLOutput>"))
                                        << "<ok/>";
        QTest::newRow("other prefixes") << envelope("soapenv", response("ns9", "<aXMLOutput>done &amp; dusted"
                                                                              "</aXMLOutput>"))
                                        << "done & dusted";
        QTest::newRow("CDATA") << envelope("e", response("m", "<aXMLOutput><![CDATA[<x>]]></aXMLOutput>")) << "<x>";
        QTest::newRow("multiRef") << envelope("soapenv",
                                              response("ns1", "<aXMLOutput href=\"#id0\"/>")
                                                  + "<multiRef id=\"id0\" soapenc:root=\"0\" xsi:type=\"xsd:string\">"
                                                    "by reference</multiRef>",
                                              "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"")
                                  << "by reference";
        QTest::newRow("nil") << envelope("S", response("n", "<aXMLOutput xsi:nil=\"true\"/>")) << "";
        QTest::newRow("other accessors around it")
            << envelope("S", response("n", "<aXMLInput>echo</aXMLInput><aXMLOutput>mine</aXMLOutput>")) << "mine";
    }
    void answerReadBack()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, output);
        LoopbackHttpServer server;
        server.answer(200, "text/xml; charset=utf-8", answer);
        QString delivered = QStringLiteral("stale");
        QString error = QStringLiteral("stale");
        DeliverToSOAPServer(QStringLiteral("WM_X"), server.address("/a.dll/wsdl/IZenqSOAPServer"), {},
                            delivered, &error);
        QCOMPARE(error, QString());
        QCOMPARE(delivered, output);
        QVERIFY(server.requestLine.startsWith("POST /a.dll/soap "));
    }

    // Each failure: no answer, a reason for the diagnostic, no message box, the options' frame undone.
    void failuresAreSwallowed_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("reason");
        QTest::newRow("fault with 500") << 500 << envelope("SOAP-ENV", FaultBody) << "no such message";
        QTest::newRow("fault with 200") << 200 << envelope("SOAP-ENV", FaultBody) << "no such message";
        QTest::newRow("500 without envelope") << 500 << QByteArray("internal error") << "HTTP 500";
        QTest::newRow("404") << 404 << QByteArray() << "HTTP 404";
        QTest::newRow("redirect") << 302 << QByteArray() << "HTTP 302";
        QTest::newRow("not XML") << 200 << QByteArray("hello") << "malformed";
        QTest::newRow("not an envelope") << 200 << QByteArray("<html/>") << "not a SOAP envelope";
        QTest::newRow("no response element") << 200 << envelope("S", "<Other/>") << "no XML_ExecuteResponse";
        QTest::newRow("dangling reference")
            << 200 << envelope("S", response("n", "<aXMLOutput href=\"#gone\"/>")) << "points nowhere";
        QTest::newRow("element inside the string")
            << 200 << envelope("S", response("n", "<aXMLOutput><x/></aXMLOutput>")) << "malformed";
    }
    void failuresAreSwallowed()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, reason);
        LoopbackHttpServer server;
        server.answer(status, "text/xml", answer);
        expectSwallowedFailure(server.address("/z.dll/wsdl/IZenqSOAPServer"), reason);
    }

    void refusedConnectionIsSwallowed()
    {
        QString address;
        {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            address = QStringLiteral("http://127.0.0.1:%1/z.dll/wsdl/IZenqSOAPServer").arg(closed.serverPort());
        }
        expectSwallowedFailure(address, QStringLiteral("refused"));
    }

    void silentServerEndsInTheTimeOut()
    {
        LoopbackHttpServer server;
        server.stayQuiet();
        ZenqSetSOAPTimeoutMs(200);
        expectSwallowedFailure(server.address("/z.dll/wsdl/IZenqSOAPServer"), QStringLiteral("no answer"));
        QVERIFY(!server.body.isEmpty()); // the request did arrive
    }

    void addressThatIsNoUrlIsSwallowed()
    {
        expectSwallowedFailure(QStringLiteral("not an address"), QStringLiteral("not an address"));
    }

private:
    static void expectSwallowedFailure(const QString &address, const QString &reason)
    {
        ScopedScriptedUserInterface ui;
        QString answer = QStringLiteral("stale");
        QString error;
        DeliverToSOAPServer(QStringLiteral("WM_X"), address,
                            TZenqMessageOption::WaitCursor | TZenqMessageOption::ProgressMessage, answer, &error);
        QCOMPARE(answer, QString());
        QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
        QCOMPARE(ui->messages, QStringList());
        QCOMPARE(ui->waitCursorsShown, 1);
        QCOMPARE(ui->waitDepth, 0);
        QCOMPARE(ui->progressTexts, QStringList({ QStringLiteral("Informing other Zenq-Applications...") }));
        QCOMPARE(ui->progressOpen, 0);
    }
};

ZENQ_TEST_CLASS(SoapCallTest);
#include "SoapCallTest.moc"
