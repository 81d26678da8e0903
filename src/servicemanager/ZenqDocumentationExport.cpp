#include "ZenqDocumentationExport.h"

#include "ServiceTree.h"
#include "framework/ZenqClock.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqStandardizedXml.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"

#include <QDir>
#include <QDomDocument>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

namespace {

const QString xmlError = QStringLiteral("Error in XML. See traceoutput of ZenqConsole");
const QString lineEndMark = QStringLiteral("#q@o#");
const QString indentMark = QStringLiteral("#q@n#");
const QString br = QStringLiteral("<br/>");

// White space goes with the pieces: every marked line ends in CR LF, so the last "<br/>" is followed
// by one and would otherwise stay.
QString trimmedRight(QString text, const QString &piece)
{
    for (;;) {
        while (!text.isEmpty() && text.back().isSpace())
            text.chop(1);
        if (piece.isEmpty() || !text.endsWith(piece))
            return text;
        text.chop(piece.size());
    }
}

QString trimmedLeft(QString text, const QString &piece)
{
    for (;;) {
        while (!text.isEmpty() && text.front().isSpace())
            text.remove(0, 1);
        if (piece.isEmpty() || !text.startsWith(piece))
            return text;
        text.remove(0, piece.size());
    }
}

QStringList examplesAndRemarks()
{
    return {
        QStringLiteral(R"zq(<br/><a name="Examples" style="font-size:13;font-weight:bold">Examples<br/><hr/></a>)zq"),
        QStringLiteral(R"zq(One possibility to call a Zenq-Service from outside is via <span style="font-weight:bold">XMLHTTP</span>, which has the advantage that it is very easy to understand and that it will go through every firewall, which is open for http.<br/><br/>)zq"),
        QStringLiteral(R"zq(We use the Windows Scripting Host and Visual Basic, but you can use whatever language you like.<br/><br/>)zq"),
        QStringLiteral(R"zq(To call a service, copy the text below to notepad:<br/>)zq"),
        QStringLiteral(R"zq(<div style="margin:20px;border:1pt solid #D8DCE1;background-color:#F6F6F6;width:620">)zq"),
        QStringLiteral(R"zq(<div style="margin:20px;">)zq"),
        QStringLiteral(R"zq(&#39; Open XMLHTTP-Object<br/>)zq"),
        QStringLiteral(R"zq(Set xmlhttp = CreateObject(&quot;Microsoft.XMLHTTP&quot;)<br/>)zq"),
        QStringLiteral(R"zq(xmlhttp.open &quot;GET&quot;,&quot;<span style="color:red">http</span>://<span style="color:red">127.0.0.1</span>/Zenq/ZenqXMLHTTP.asp&quot;,false<br/>)zq"),
        QStringLiteral(R"zq(<br/>)zq"),
        QStringLiteral(R"zq(&#39; Generate XML<br/>)zq"),
        QStringLiteral(R"zq(XMLInput = &quot;&lt;?xml version=&#39;1.0&#39; encoding=&#39;UTF-16&#39; ?&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(<span style="position:relative;left:70">)zq"),
        QStringLiteral(R"zq(&quot;&lt;Zenq:Document xmlns:Zenq=&#39;)zq") + ZenqDocumentNamespaceURI + QStringLiteral(R"zq(&#39;&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;Zenq:Username Value=&#39;<span style="color:red">ZenqGuest2</span>&#39;/&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;Zenq:Password Value=&#39;<span style="color:red">Trosvibel</span>&#39;/&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;Zenq:Language Value=&#39;<span style="color:red">ENGB</span>&#39;/&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;Zenq:Receiver Value=&#39;<span style="color:red">Orv3DBPartStringsV1</span>&#39;/&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;Zenq:ApplicationParameter&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;ZenqDocument&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(<span style="color:red">)zq"),
        QStringLiteral(R"zq(&quot;&lt;PartNoList Value=&#39;10000;10001;10004;10005;&#39;/&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;XMLDesiredFormat Value=&#39;CDSNoMeta&#39;/&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(</span>)zq"),
        QStringLiteral(R"zq(&quot;&lt;/ZenqDocument&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;/Zenq:ApplicationParameter&gt;&quot; + _<br/>)zq"),
        QStringLiteral(R"zq(&quot;&lt;/Zenq:Document&gt;&quot;<br/>)zq"),
        QStringLiteral(R"zq(</span><br/>)zq"),
        QStringLiteral(R"zq(&#39; Send XML<br/>)zq"),
        QStringLiteral(R"zq(xmlhttp.send XMLInput<br/>)zq"),
        QStringLiteral(R"zq(<br/>)zq"),
        QStringLiteral(R"zq(&#39; Get XML response and process XML<br/>)zq"),
        QStringLiteral(R"zq(WScript.Echo xmlhttp.responseText<br/>)zq"),
        QStringLiteral(R"zq(</div>)zq"),
        QStringLiteral(R"zq(</div>)zq"),
        QStringLiteral(R"zq(Then change the text in red (or leave it unchanged, if you have Zenq installed on your local system and just want to test XMLHTTP):<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- the protocol: http or https<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- the server: ask<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- the username and password: ask<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- the language<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- the service to call: see above<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- the arguments of the service to call: see above (do not forget the &quot;...&quot; and +_ at the end of the lines)<br/><br/>)zq"),
        QStringLiteral(R"zq(Save everything to a file &quot;yourname.vbs&quot; (if you use unicode, save it as a unicode-file) and doubleclick on it.<br/><br/><br/>)zq"),
        QStringLiteral(R"zq(Another possibility to call a Zenq-Service from outside is via <span style="font-weight:bold">ASP</span>.<br/><br/>)zq"),
        QStringLiteral(R"zq(Copy the text below to notepad and again change the text in red:<br/>)zq"),
        QStringLiteral(R"zq(<div style="margin:20px;border:1pt solid #D8DCE1;background-color:#F6F6F6;width:620">)zq"),
        QStringLiteral(R"zq(<div style="margin:20px;">)zq"),
        QStringLiteral(R"zq(&lt;!-- Specify the address --&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Form Action=&quot;<span style="color:red">http</span>://<span style="color:red">127.0.0.1</span>/Zenq/Zenq.asp&quot; Method=&quot;post&quot;&gt;<br/>)zq"),
        QStringLiteral(R"zq(<br/>)zq"),
        QStringLiteral(R"zq(&lt;!-- Generate input --&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Input Type=&quot;Hidden&quot; Name=&#39;Zenq_Username&#39; Value=&#39;<span style="color:red">ZenqGuest2</span>&#39;/&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Input Type=&quot;Hidden&quot; Name=&#39;Zenq_Password&#39; Value=&#39;<span style="color:red">Trosvibel</span>&#39;/&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Input Type=&quot;Hidden&quot; Name=&#39;Zenq_Language&#39; Value=&#39;<span style="color:red">ENGB</span>&#39;/&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Input Type=&quot;Hidden&quot; Name=&#39;Zenq_Receiver&#39; Value=&#39;<span style="color:red">Orv3DBPartStringsV1</span>&#39;/&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Input Type=&quot;Hidden&quot; Name=&quot;Zenq_NoHTMLTransformation&quot; Value=&quot;x&quot;/&gt;<br/>)zq"),
        QStringLiteral(R"zq(<span style="color:red">)zq"),
        QStringLiteral(R"zq(&lt;Input Type=&quot;Hidden&quot; Name=&#39;PartNoList&#39; Value=&#39;10000;10001;10004;10005;&#39;/&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Input Type=&quot;Hidden&quot; Name=&#39;XMLDesiredFormat&#39; Value=&#39;CDSNoMeta&#39;/&gt;<br/>)zq"),
        QStringLiteral(R"zq(</span><br/>)zq"),
        QStringLiteral(R"zq(&lt;!-- Send input and get XML response ==&gt;&nbsp;new page--&gt;<br/>)zq"),
        QStringLiteral(R"zq(&lt;Script&gt;document.forms[0].submit()&lt;/Script&gt;<br/><br/>)zq"),
        QStringLiteral(R"zq(&lt;/Form&gt;<br/>)zq"),
        QStringLiteral(R"zq(</div>)zq"),
        QStringLiteral(R"zq(</div>)zq"),
        QStringLiteral(R"zq(The text in red is the same as above. The differences are:<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- XML-Tags --&gt; HTML-(hidden)Fields<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- Zenq:Username --&gt; Zenq_Username and so on, i.e. : --&gt; _<br/>)zq"),
        QStringLiteral(R"zq(&nbsp;- The field Zenq_NoHTMLTransformation with a nonempty value is needed to get XML as result. If you leave this field empty, you will get HTML as result<br/><br/>)zq"),
        QStringLiteral(R"zq(Save the file under &quot;yourname.html&quot; and doubleclick on it.<br/><br/>)zq"),
        QStringLiteral(R"zq(<br/><a name="Remarks" style="font-size:13;font-weight:bold">Remarks<br/><hr/></a>)zq"),
        QStringLiteral(R"zq(<div>In the result-XML you will receive a line &quot;&lt;Zenq:SessionID Value=&#39;...&#39;/&gt;&quot;. For additional calls you should use this line instead of the &quot;&lt;Zenq:Username ...&gt;and &quot;&lt;Zenq:Password ...&gt;-lines.</div><br/>)zq"),
        QStringLiteral(R"zq(<div>For all DB-Services there is an (optional) argument "XMLDesiredFormat" (see above).)zq"),
        QStringLiteral(R"zq(It can have the values "CDS", "CDSNoMeta", "ADO", "ADONoMeta", "ACCESS", "ACCESSNoMeta".)zq"),
        QStringLiteral(R"zq(This will result in different output-formats. The default value is "CDS".</div><br/>)zq"),
        QStringLiteral(R"zq(<div>In some calls some XML-attributes-values are pointers (e.g. &lt;MyTag Value=&quot;14842743&quot;/&gt;). Those services-calls are internal and should be not executed from outside.</div><br/>)zq"),
        QStringLiteral(R"zq(<div>Possibly not all of the mentioned services will be available at the server you specify.</div><br/>)zq"),
        QStringLiteral(R"zq(<div>This page is automatically generated by ZenqFramework. The XML of the services is sampled from user-live-interaction with the system. Similar XML is automatically removed.</div><br/>)zq"),
        QStringLiteral(R"zq(</body>)zq"),
        QStringLiteral(R"zq(</html>)zq"),
    };
}

} // namespace

TZenqDocumentationExport::TZenqDocumentationExport()
    : trace([](const QString &line) { ZenqDS(line); })
{
}

QString TZenqDocumentationExport::ExportDate(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-M-dd/hh:mm:ss"));
}

bool TZenqDocumentationExport::IsUnderSystemFolder(const TServiceTree &tree, const QModelIndex &node)
{
    for (QModelIndex n = node.siblingAtColumn(0); n.isValid(); n = n.parent()) {
        const TServiceNodeData *data = tree.record(n);
        if (data && data->Name.compare(QLatin1String("ZenqSystem"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString TZenqDocumentationExport::NodePath(const TServiceTree &tree, const QModelIndex &node)
{
    QStringList names;
    for (QModelIndex n = node.siblingAtColumn(0); n.isValid(); n = n.parent()) {
        const TServiceNodeData *data = tree.record(n);
        if (data && !data->Name.trimmed().isEmpty())
            names.prepend(data->Name);
    }
    return names.join(QLatin1Char('.'));
}

void TZenqDocumentationExport::WriteOverviewEntry(const TServiceTree &tree, const QModelIndex &node, QStringList &document)
{
    const TServiceNodeData *data = tree.record(node);
    if (!data || data->IsFolder)
        return;
    document << QStringLiteral(R"(<a class="locator" href="#)") + data->Name + QStringLiteral(R"(">)") + NodePath(tree, node)
                    + QStringLiteral("<br/>&nbsp;-&nbsp;")
             << data->Comment << QStringLiteral("&nbsp;-<br/><br/></a>");
}

bool TZenqDocumentationExport::WriteServiceSection(const TServiceTree &tree, const QModelIndex &node,
                                                   const QSqlDatabase &database, QStringList &document, QString *error)
{
    const TServiceNodeData *data = tree.record(node);
    if (!data)
        return true;
    if (data->IsFolder) {
        m_locationLine = QStringLiteral(R"(<br/><span class="locator" style="font-size:9">)") + NodePath(tree, node)
            + QStringLiteral("</span><br/>");
        return true;
    }
    const QString &name = data->Name;
    document << m_locationLine << QStringLiteral(R"(<a name=")") + name + QStringLiteral(R"("></a>)")
             << QStringLiteral(R"(<div style="font-size:13;font-weight:bold">Service: )") + name + QStringLiteral("</div>")
             << QStringLiteral("<span>Comment: ") + data->Comment + QStringLiteral("<br/>Author: ") + data->Author
                    + QStringLiteral("<br/>Type: ") + data->ServiceType;

    // The samples grid's rows for the name, in the grid's order.
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT APPNAME_, SAMPLENAME_, COMMENT_, INPUTSAMPLE_, OUTPUTSAMPLE_ "
                                      "FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ? ORDER BY SAMPLENAME_"))) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    query.addBindValue(name);
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    const QString box = QStringLiteral(R"(<br/><div class="darkbg" style="white-space:nowrap;" >)");
    while (query.next()) {
        if (query.value(0).toString().compare(name, Qt::CaseInsensitive) != 0)
            break;
        const QString sample = query.value(1).toString();
        document << br << QStringLiteral("<br/><u>Samplename: ") + sample + QStringLiteral("</u> ") + query.value(2).toString()
                 << QStringLiteral("<br/>Input:")
                 << box + SampleToHtml(name + QStringLiteral(" - Inputsample: ") + sample, query.value(3).toString())
                        + QStringLiteral("</div>")
                 << QStringLiteral("<br/>Output:")
                 << box + SampleToHtml(name + QStringLiteral(" - Outputsample: ") + sample, query.value(4).toString())
                        + QStringLiteral("</div>");
    }
    if (query.lastError().isValid()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    document << QStringLiteral("</span>") << QStringLiteral("<br/><br/><br/>");
    return true;
}

QString TZenqDocumentationExport::SampleToHtml(const QString &title, const QString &xml) const
{
    QDomDocument document;
    const bool hasNoDeclaration = !xml.contains(QLatin1String("<?XML"), Qt::CaseInsensitive);
    if (!ZenqLoadXMLDocument(xml, hasNoDeclaration, document)) {
        if (trace) {
            trace(QStringLiteral("------------------") + title + QStringLiteral("--------------------"));
            trace(xml);
        }
        return xmlError;
    }
    QString text = ZenqGetStandardizedXML(document.documentElement(), lineEndMark + QStringLiteral("\r\n"), indentMark,
                                          QLatin1Char('\''));
    text = JInternetXMLStandardEntitiestoXML(text, false);
    text.replace(lineEndMark, br).replace(indentMark, QStringLiteral("&nbsp;&nbsp;&nbsp;"));
    return trimmedLeft(trimmedRight(text, br), br);
}

bool TZenqDocumentationExport::BuildDocument(const TServiceTree &tree, const QSqlDatabase &database,
                                             QStringList &document, QString *error, bool *samplesUnavailable)
{
    if (samplesUnavailable)
        *samplesUnavailable = false;
    const QString styleSheet = JMakeFileName(ZenqGetApplicationsCSSDir(), QStringLiteral("vantrel.css"));
    QString css;
    int encoding = 0;
    if (!JLoadFromFileEx(styleSheet, ZenqLoadDefaultUtf8, css, encoding, error))
        return false;
    QStringList cssLines = css.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    // A final line break ends the last line; it does not start another.
    if (!cssLines.isEmpty() && cssLines.constLast().isEmpty())
        cssLines.removeLast();

    const QString date = ExportDate(ZenqCurrentClock().now());
    document << QStringLiteral("<html>") << QStringLiteral("<head>")
             << QStringLiteral(R"(<META http-equiv="Content-Type" content="text/html; charset=UTF-8"/>)")
             << QStringLiteral("<title>Zenq-Service-Documentation [") + date + QStringLiteral("]</title>")
             << QStringLiteral(R"(<style type="text/css">)") << cssLines << QStringLiteral("</style>")
             << QStringLiteral("</head>") << QStringLiteral("<body>") << QStringLiteral("<span>")
             << QStringLiteral(R"(<div style="font-size:17;font-weight:bold;color:blue">Zenq-Documentation based on samples of the input/output-behaviour of Zenq-Services</div>)")
             << QStringLiteral(R"(<div style="font-size:9"> - Generated by ZenqFramework (ZenqConsole>ServiceManager>Export documentation) at )")
                    + date + QStringLiteral(" - </div>")
             << QStringLiteral(R"(<br/><a name="Content" style="font-size:13;font-weight:bold">Content<br/><hr/></a>)")
             << QStringLiteral(R"(<a href="#Content" class="locator" style="font-size:13;font-weight:normal">Content</a><br/>)")
             << QStringLiteral(R"(<a href="#Overview" class="locator" style="font-size:13;font-weight:normal">Overview of existing services</a><br/>)")
             << QStringLiteral(R"(<a href="#Services" class="locator" style="font-size:13;font-weight:normal">Services</a><br/>)")
             << QStringLiteral(R"(<a href="#Examples" class="locator" style="font-size:13;font-weight:normal">Examples</a><br/>)")
             << QStringLiteral(R"(<a href="#Remarks" class="locator" style="font-size:13;font-weight:normal">Remarks</a><br/>)")
             << QStringLiteral(R"(<br/><br/><a name="Overview" style="font-size:13;font-weight:bold">Overview of existing services</a>&nbsp;&nbsp;(click on a service to go to the corresponding documentation)<br/><hr/>)");

    QList<QModelIndex> nodes;
    const QModelIndex top = tree.index(0, 0);
    if (top.isValid())
        for (const QModelIndex &node : tree.nodesInTreeOrder(top))
            if (tree.record(node) && !IsUnderSystemFolder(tree, node))
                nodes << node;

    for (const QModelIndex &node : nodes)
        WriteOverviewEntry(tree, node, document);
    document << QStringLiteral(R"(<br/><a name="Services" style="font-size:13;font-weight:bold">Services<br/><hr/></a>)");
    for (int i = 0; i < nodes.size(); ++i) {
        if (!WriteServiceSection(tree, nodes.at(i), database, document, error)) {
            if (samplesUnavailable)
                *samplesUnavailable = true;
            return false;
        }
        if (progress)
            progress(i + 1, int(nodes.size()));
    }
    document << examplesAndRemarks();
    return true;
}

TZenqDocumentationExport::Result TZenqDocumentationExport::Export(const TServiceTree &tree, const QSqlDatabase &database,
                                                                  QString *writtenFile, QString *error,
                                                                  const QString &fileName)
{
    QString failure;
    if (removeSimilarGeneratedSamples && !removeSimilarGeneratedSamples(&failure)) {
        if (error)
            *error = failure;
        return Result::Failed;
    }
    if (exportFlag)
        exportFlag(true);
    const auto clearFlag = qScopeGuard([this] {
        if (exportFlag)
            exportFlag(false);
    });

    QStringList document;
    bool samplesUnavailable = false;
    if (!BuildDocument(tree, database, document, &failure, &samplesUnavailable)) {
        if (error)
            *error = failure;
        return samplesUnavailable ? Result::SamplesUnavailable : Result::Failed;
    }

    QString target = fileName;
    if (target.isEmpty()) {
        QTemporaryFile temporary(JMakeFileName(QDir::tempPath(), QStringLiteral("ZenqDocumentation_XXXXXX.html")));
        temporary.setAutoRemove(false);
        if (!temporary.open()) {
            if (error)
                *error = temporary.errorString();
            return Result::Failed;
        }
        target = temporary.fileName();
    }
    const QString crlf = QStringLiteral("\r\n");
    if (!JSaveToFileS(target, document.join(crlf) + crlf, ZenqEncodingUtf8, true, &failure)) {
        if (error)
            *error = failure;
        return Result::Failed;
    }
    if (writtenFile)
        *writtenFile = target;
    return Result::Written;
}
