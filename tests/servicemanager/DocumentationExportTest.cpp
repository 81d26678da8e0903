// The HTML documentation export: the page of a fixture installation line by line, the left-out system
// folder, the location line, the sample rendering with its error case, and the file's encoding.
#include "DocAndTestTestSupport.h"
#include "ServiceManagerTestSupport.h"
#include "support/TestMain.h"

#include "framework/ZenqClock.h"
#include "framework/ZenqStandardizedXml.h"
#include "servicemanager/ServiceTree.h"
#include "servicemanager/ZenqDocumentationExport.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// Fixes the export date for one test.
struct FixedClock
{
    explicit FixedClock(const QDateTime &now)
    {
        auto clock = std::make_unique<ZenqManualClock>();
        clock->setNow(now);
        previous = ZenqSetClock(std::move(clock));
    }
    ~FixedClock() { ZenqSetClock(std::move(previous)); }
    std::unique_ptr<ZenqClock> previous;
};

void addSample(QSqlDatabase &database, const QString &application, const QString &name, const QString &comment,
               const QString &input, const QString &output)
{
    ZenqExecuteSQL(database,
                   QStringLiteral("INSERT INTO D_XMLBEHAVIOUR (APPNAME_, SAMPLENAME_, COMMENT_, INPUTSAMPLE_, OUTPUTSAMPLE_) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   { application, name, comment, input, output });
}

QStringList cssLines()
{
    QFile file(JMakeFileName(ZenqGetApplicationsCSSDir(), QStringLiteral("vantrel.css")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\n")));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList serviceWithoutSamples(const QString &location, const QString &name, const QString &comment,
                                  const QString &author, const QString &type)
{
    return { location,
             QStringLiteral("<a name=\"%1\"></a>").arg(name),
             QStringLiteral("<div style=\"font-size:13;font-weight:bold\">Service: %1</div>").arg(name),
             QStringLiteral("<span>Comment: %1<br/>Author: %2<br/>Type: %3").arg(comment, author, type),
             QStringLiteral("</span>"),
             QStringLiteral("<br/><br/><br/>") };
}

QString location(const QString &path)
{
    return QStringLiteral("<br/><span class=\"locator\" style=\"font-size:9\">%1</span><br/>").arg(path);
}

QStringList overview(const QString &name, const QString &path, const QString &comment)
{
    return { QStringLiteral("<a class=\"locator\" href=\"#%1\">%2<br/>&nbsp;-&nbsp;").arg(name, path), comment,
             QStringLiteral("&nbsp;-<br/><br/></a>") };
}

} // namespace

class DocumentationExportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportDateHasMonthWithoutLeadingZero()
    {
        QCOMPARE(TZenqDocumentationExport::ExportDate(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3))),
                 QStringLiteral("2024-3-07/09:05:03"));
        QCOMPARE(TZenqDocumentationExport::ExportDate(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59))),
                 QStringLiteral("2024-12-31/23:59:59"));
    }

    void sampleToHtml_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("html");
        const QString crlf = QStringLiteral("\r\n");
        QTest::newRow("without declaration")
            << QStringLiteral("<A><B x=\"1\"/></A>")
            << QStringLiteral("&lt;A&gt;<br/>") + crlf + QStringLiteral("&nbsp;&nbsp;&nbsp;&lt;B x=&#39;1&#39;/&gt;<br/>")
                   + crlf + QStringLiteral("&lt;/A&gt;");
        QTest::newRow("with declaration, nested, text element")
            << QStringLiteral("<?xml version=\"1.0\"?>\n<A>\n  <B>\n    <C>t &amp; u</C>\n  </B>\n</A>")
            << QStringLiteral("&lt;A&gt;<br/>") + crlf + QStringLiteral("&nbsp;&nbsp;&nbsp;&lt;B&gt;<br/>") + crlf
                   + QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&lt;C&gt;t &amp;amp; u&lt;/C&gt;<br/>") + crlf
                   + QStringLiteral("&nbsp;&nbsp;&nbsp;&lt;/B&gt;<br/>") + crlf + QStringLiteral("&lt;/A&gt;");
        QTest::newRow("declaration in upper case, attribute with apostrophe")
            << QStringLiteral("<?XML version=\"1.0\"?><R v=\"it's\"/>") << QStringLiteral("&lt;R v=&#39;it&amp;apos;s&#39;/&gt;");
    }
    void sampleToHtml()
    {
        QFETCH(QString, xml);
        QFETCH(QString, html);
        TZenqDocumentationExport exporter;
        QStringList traced;
        exporter.trace = [&traced](const QString &line) { traced << line; };
        QCOMPARE(exporter.SampleToHtml(QStringLiteral("T"), xml), html);
        QVERIFY(traced.isEmpty());
    }

    void malformedSampleGivesErrorTextAndTwoTraceLines_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::newRow("unclosed") << QStringLiteral("<A><B></A>");
        QTest::newRow("empty") << QString();
        QTest::newRow("plain text") << QStringLiteral("not xml");
    }
    void malformedSampleGivesErrorTextAndTwoTraceLines()
    {
        QFETCH(QString, xml);
        TZenqDocumentationExport exporter;
        QStringList traced;
        exporter.trace = [&traced](const QString &line) { traced << line; };
        QCOMPARE(exporter.SampleToHtml(QStringLiteral("Orders - Outputsample: S"), xml),
                 QStringLiteral("Error in XML. See traceoutput of ZenqConsole"));
        QCOMPARE(traced, QStringList({ QStringLiteral("------------------Orders - Outputsample: S--------------------"), xml }));
    }

    void systemFolderInAnyCaseAndBelowIsLeftOut()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        tree.BuildTree(QString(), QString(), false);
        QVERIFY(TZenqDocumentationExport::IsUnderSystemFolder(tree, tree.FindNodeByName(QStringLiteral("ZenqSystem"))));
        QVERIFY(TZenqDocumentationExport::IsUnderSystemFolder(tree, tree.FindNodeByName(QStringLiteral("ZenqKernel"))));
        QVERIFY(!TZenqDocumentationExport::IsUnderSystemFolder(tree, tree.FindNodeByName(QStringLiteral("Orders"))));
        QVERIFY(!TZenqDocumentationExport::IsUnderSystemFolder(tree, tree.FindNodeByName(QStringLiteral("ZenqApplications"))));
        tree.setData(tree.FindNodeByName(QStringLiteral("Sales")), QStringLiteral("zenqSYSTEM"));
        const QModelIndex renamed = tree.FindNodeByName(QStringLiteral("zenqSYSTEM"));
        if (renamed.isValid()) // in-place renames may be refused by the tree's rule; the rule is case-blind anyway
            QVERIFY(TZenqDocumentationExport::IsUnderSystemFolder(tree, tree.FindNodeByName(QStringLiteral("Orders"))));
    }

    void locationLineIsThatOfTheFolderVisitedLastAndSurvivesExports()
    {
        ZENQ_FRESH_DEMO(demo);
        DocAndTestDatabase db;
        QVERIFY2(db.isOpen(), qPrintable(db.error()));
        TServiceTree tree;
        tree.BuildTree(QString(), QString(), false);
        TZenqDocumentationExport exporter;
        QStringList document;
        QString error;
        QVERIFY(exporter.WriteServiceSection(tree, tree.FindNodeByName(QStringLiteral("Invoices")), db.database(), document, &error));
        QCOMPARE(document.value(0), QString()); // first export, no folder yet
        document.clear();
        QVERIFY(exporter.WriteServiceSection(tree, tree.FindNodeByName(QStringLiteral("Sales")), db.database(), document, &error));
        QVERIFY(document.isEmpty()); // a folder appends nothing
        // A node in another folder's subtree still gets the line of the folder visited last.
        QVERIFY(exporter.WriteServiceSection(tree, tree.FindNodeByName(QStringLiteral("ReportServer")), db.database(), document, &error));
        QCOMPARE(document.value(0), location(QStringLiteral("ZenqApplications.Sales")));

        QString file;
        QCOMPARE(exporter.Export(tree, db.database(), &file, &error), TZenqDocumentationExport::Result::Written);
        QFile::remove(file);
        // The demo walk ends in Sales (ZenqSystem is skipped), which the next export starts from.
        QCOMPARE(exporter.locationLine(), location(QStringLiteral("ZenqApplications.Sales")));
    }

    void pageOfTheFixtureLineByLine()
    {
        ZENQ_FRESH_DEMO(demo);
        DocAndTestDatabase db;
        QVERIFY2(db.isOpen(), qPrintable(db.error()));
        ZenqExecuteSQL(db.database(), QStringLiteral("DELETE FROM D_XMLBEHAVIOUR"));
        addSample(db.database(), QStringLiteral("Invoices"), QStringLiteral("B second"), QStringLiteral("<kept> & raw"),
                  QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Q/>"), QStringLiteral("<R a=\"1\"><S>x</S></R>"));
        addSample(db.database(), QStringLiteral("Invoices"), QStringLiteral("A first"), QString(), QStringLiteral("<Q/>"),
                  QStringLiteral("<R/>"));
        addSample(db.database(), QStringLiteral("Orders"), QStringLiteral("Broken"), QStringLiteral("c"), QStringLiteral("<Q/>"),
                  QStringLiteral("<R><S></R>"));
        addSample(db.database(), QStringLiteral("ZenqKernel"), QStringLiteral("Hidden"), QString(), QStringLiteral("<Q/>"),
                  QStringLiteral("<R/>"));
        FixedClock clock(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3)));
        TServiceTree tree;
        tree.BuildTree(QString(), QString(), false);

        TZenqDocumentationExport exporter;
        QStringList traced;
        exporter.trace = [&traced](const QString &line) { traced << line; };
        QStringList calls;
        exporter.removeSimilarGeneratedSamples = [&calls](QString *) {
            calls << QStringLiteral("remove");
            return true;
        };
        exporter.exportFlag = [&calls](bool on) { calls << (on ? QStringLiteral("flag on") : QStringLiteral("flag off")); };
        QList<std::pair<int, int>> progress;
        exporter.progress = [&progress](int done, int total) { progress.append({ done, total }); };

        QString file;
        QString error;
        QCOMPARE(exporter.Export(tree, db.database(), &file, &error), TZenqDocumentationExport::Result::Written);
        QCOMPARE(calls, QStringList({ QStringLiteral("remove"), QStringLiteral("flag on"), QStringLiteral("flag off") }));
        QVERIFY(file.endsWith(QLatin1String(".html")));
        QFile page(file);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray bytes = page.readAll();
        page.close();
        QFile::remove(file);

        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("</html>\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n")); // every line ends in CR LF
        QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.takeLast(), QString());

        const QString date = QStringLiteral("2024-3-07/09:05:03");
        QStringList expected { QStringLiteral("<html>"), QStringLiteral("<head>"),
                               QStringLiteral("<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"/>"),
                               QStringLiteral("<title>Zenq-Service-Documentation [2024-3-07/09:05:03]</title>"),
                               QStringLiteral("<style type=\"text/css\">") };
        const QStringList css = cssLines();
        QVERIFY(css.size() > 3);
        expected << css << QStringLiteral("</style>") << QStringLiteral("</head>") << QStringLiteral("<body>")
                 << QStringLiteral("<span>")
                 << QStringLiteral("<div style=\"font-size:17;font-weight:bold;color:blue\">Zenq-Documentation based on samples of "
                                   "the input/output-behaviour of Zenq-Services</div>")
                 << QStringLiteral("<div style=\"font-size:9\"> - Generated by ZenqFramework (ZenqConsole>ServiceManager>Export "
                                   "documentation) at ") + date + QStringLiteral(" - </div>")
                 << QStringLiteral("<br/><a name=\"Content\" style=\"font-size:13;font-weight:bold\">Content<br/><hr/></a>");
        for (const auto &[anchor, text] : { std::pair { "Content", "Content" }, { "Overview", "Overview of existing services" },
                                            { "Services", "Services" }, { "Examples", "Examples" }, { "Remarks", "Remarks" } })
            expected << QStringLiteral("<a href=\"#%1\" class=\"locator\" style=\"font-size:13;font-weight:normal\">%2</a><br/>")
                            .arg(QLatin1String(anchor), QLatin1String(text));
        expected << QStringLiteral("<br/><br/><a name=\"Overview\" style=\"font-size:13;font-weight:bold\">Overview of existing "
                                   "services</a>&nbsp;&nbsp;(click on a service to go to the corresponding documentation)<br/><hr/>")
                 << overview(QStringLiteral("Invoices"), QStringLiteral("ZenqApplications.Invoices"),
                             QStringLiteral("Invoice creation and dunning"))
                 << overview(QStringLiteral("ReportServer"), QStringLiteral("ZenqApplications.Reporting.ReportServer"),
                             QStringLiteral("Monthly and yearly reports over SOAP"))
                 << overview(QStringLiteral("StockViewer"), QStringLiteral("ZenqApplications.Reporting.StockViewer"),
                             QStringLiteral("Desktop viewer of stock levels"))
                 << overview(QStringLiteral("Customers"), QStringLiteral("ZenqApplications.Sales.Customers"),
                             QStringLiteral("Customer master data; the configuration holds a database password and is encrypted"))
                 << overview(QStringLiteral("Orders"), QStringLiteral("ZenqApplications.Sales.Orders"),
                             QStringLiteral("Order entry and order lists for the sales desk"))
                 << overview(QStringLiteral("OrdersArchive"), QStringLiteral("ZenqApplications.Sales.OrdersArchive"),
                             QStringLiteral("Read-only access to archived orders"))
                 << QStringLiteral("<br/><a name=\"Services\" style=\"font-size:13;font-weight:bold\">Services<br/><hr/></a>");
        // Invoices: samples in the grid's order (by name), comment as stored.
        const QString box = QStringLiteral("<br/><div class=\"darkbg\" style=\"white-space:nowrap;\" >");
        expected << location(QStringLiteral("ZenqApplications")) << QStringLiteral("<a name=\"Invoices\"></a>")
                 << QStringLiteral("<div style=\"font-size:13;font-weight:bold\">Service: Invoices</div>")
                 << QStringLiteral("<span>Comment: Invoice creation and dunning<br/>Author: Mara Lindqvist<br/>Type: Service")
                 << QStringLiteral("<br/>") << QStringLiteral("<br/><u>Samplename: A first</u> ") << QStringLiteral("<br/>Input:")
                 << box + QStringLiteral("&lt;Q/&gt;</div>") << QStringLiteral("<br/>Output:") << box + QStringLiteral("&lt;R/&gt;</div>")
                 << QStringLiteral("<br/>") << QStringLiteral("<br/><u>Samplename: B second</u> <kept> & raw")
                 << QStringLiteral("<br/>Input:") << box + QStringLiteral("&lt;Q/&gt;</div>") << QStringLiteral("<br/>Output:")
                 << box + QStringLiteral("&lt;R a=&#39;1&#39;&gt;<br/>")
                 << QStringLiteral("&nbsp;&nbsp;&nbsp;&lt;S&gt;x&lt;/S&gt;<br/>") << QStringLiteral("&lt;/R&gt;</div>")
                 << QStringLiteral("</span>") << QStringLiteral("<br/><br/><br/>");
        expected << serviceWithoutSamples(location(QStringLiteral("ZenqApplications.Reporting")), QStringLiteral("ReportServer"),
                                          QStringLiteral("Monthly and yearly reports over SOAP"), QStringLiteral("Tomás Ferreira"),
                                          QStringLiteral("SOAP server"))
                 << serviceWithoutSamples(location(QStringLiteral("ZenqApplications.Reporting")), QStringLiteral("StockViewer"),
                                          QStringLiteral("Desktop viewer of stock levels"), QStringLiteral("Mara Lindqvist"),
                                          QStringLiteral("Windows program"))
                 << serviceWithoutSamples(location(QStringLiteral("ZenqApplications.Sales")), QStringLiteral("Customers"),
                                          QStringLiteral("Customer master data; the configuration holds a database password and is encrypted"),
                                          QStringLiteral("Tomás Ferreira"), QStringLiteral("Service"));
        // Orders: a malformed output sample gives the error text in its box; the page goes on.
        expected << location(QStringLiteral("ZenqApplications.Sales")) << QStringLiteral("<a name=\"Orders\"></a>")
                 << QStringLiteral("<div style=\"font-size:13;font-weight:bold\">Service: Orders</div>")
                 << QStringLiteral("<span>Comment: Order entry and order lists for the sales desk<br/>Author: Ines Kovač<br/>Type: Service")
                 << QStringLiteral("<br/>") << QStringLiteral("<br/><u>Samplename: Broken</u> c") << QStringLiteral("<br/>Input:")
                 << box + QStringLiteral("&lt;Q/&gt;</div>") << QStringLiteral("<br/>Output:")
                 << box + QStringLiteral("Error in XML. See traceoutput of ZenqConsole</div>") << QStringLiteral("</span>")
                 << QStringLiteral("<br/><br/><br/>");
        expected << serviceWithoutSamples(location(QStringLiteral("ZenqApplications.Sales")), QStringLiteral("OrdersArchive"),
                                          QStringLiteral("Read-only access to archived orders"), QStringLiteral("Ines Kovač"),
                                          QStringLiteral("Service"));

        const QStringList head = lines.mid(0, expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(head.value(i) == expected.at(i),
                     qPrintable(QStringLiteral("line %1:\n got: %2\n want: %3").arg(i + 1).arg(head.value(i), expected.at(i))));
        // The fixed examples and remarks close the page.
        const QStringList tail = lines.mid(expected.size());
        QCOMPARE(tail.size(), 80);
        QCOMPARE(tail.first(), QStringLiteral("<br/><a name=\"Examples\" style=\"font-size:13;font-weight:bold\">Examples<br/><hr/></a>"));
        QCOMPARE(tail.at(13), QStringLiteral("&quot;&lt;Zenq:Document xmlns:Zenq=&#39;") + ZenqDocumentNamespaceURI
                                  + QStringLiteral("&#39;&gt;&quot; + _<br/>"));
        QCOMPARE(tail.at(70), QStringLiteral("<br/><a name=\"Remarks\" style=\"font-size:13;font-weight:bold\">Remarks<br/><hr/></a>"));
        QCOMPARE(tail.mid(78), QStringList({ QStringLiteral("</body>"), QStringLiteral("</html>") }));
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(QLatin1String("ZenqKernel")));

        QCOMPARE(traced, QStringList({ QStringLiteral("------------------Orders - Outputsample: Broken--------------------"),
                                       QStringLiteral("<R><S></R>") }));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.constLast().first, progress.constLast().second);
    }

    void failedRemovalOrMissingStyleSheetWritesNothing()
    {
        ZENQ_FRESH_DEMO(demo);
        DocAndTestDatabase db;
        QVERIFY2(db.isOpen(), qPrintable(db.error()));
        TServiceTree tree;
        tree.BuildTree(QString(), QString(), false);
        TZenqDocumentationExport exporter;
        QList<bool> flags;
        exporter.exportFlag = [&flags](bool exporting) { flags << exporting; };
        exporter.removeSimilarGeneratedSamples = [](QString *error) {
            *error = QStringLiteral("database gone");
            return false;
        };
        QString file;
        QString error;
        QCOMPARE(exporter.Export(tree, db.database(), &file, &error), TZenqDocumentationExport::Result::Failed);
        QCOMPARE(error, QStringLiteral("database gone"));
        QVERIFY(flags.isEmpty()); // ended before the page was begun
        QVERIFY(file.isEmpty());

        exporter.removeSimilarGeneratedSamples = nullptr;
        QVERIFY(QFile::remove(JMakeFileName(ZenqGetApplicationsCSSDir(), QStringLiteral("vantrel.css"))));
        error.clear();
        QCOMPARE(exporter.Export(tree, db.database(), &file, &error), TZenqDocumentationExport::Result::Failed);
        QVERIFY(!error.isEmpty());
        QCOMPARE(flags, (QList<bool> { true, false })); // set and cleared again
        QVERIFY(file.isEmpty());
    }

    void missingSamplesTableEndsSilently()
    {
        ZENQ_FRESH_DEMO(demo);
        DocAndTestDatabase db;
        QVERIFY2(db.isOpen(), qPrintable(db.error()));
        ZenqExecuteSQL(db.database(), QStringLiteral("DROP TABLE D_XMLBEHAVIOUR"));
        TServiceTree tree;
        tree.BuildTree(QString(), QString(), false);
        TZenqDocumentationExport exporter;
        QString file;
        QString error;
        QCOMPARE(exporter.Export(tree, db.database(), &file, &error), TZenqDocumentationExport::Result::SamplesUnavailable);
        QVERIFY(file.isEmpty());
    }
};

ZENQ_TEST_CLASS(DocumentationExportTest);
#include "DocumentationExportTest.moc"
