// The applications of an installation: the name tree container, the flat and the hierarchical name
// lists (orphans and cycles included), the project-groups tree and the standard properties.
#include "support/TestMain.h"

#include "framework/ZenqApplications.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqEasyTree.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqXmlFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QString bin(const QString &file)
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), file);
}

QString projectGroup(const QString &file)
{
    return JMakeFileName(ZenqGetApplicationsProjectGroupsDir(), file);
}

void writeConfiguration(const QString &file, const QString &elements, int type = ZenqXMLFilePlain)
{
    QVERIFY(JMakeDir(QFileInfo(file).absolutePath()));
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n%1</Zenq>\r\n").arg(elements);
    QVERIFY(JSaveToXMLFile(file, text, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), type));
}

QString element(const QString &name, const QString &value)
{
    return QStringLiteral("   <%1 Value=\"%2\"/>\r\n").arg(name, ZenqXmlEscapeAttribute(value));
}

void writeText(const QString &file, const QString &text)
{
    QVERIFY(JMakeDir(QFileInfo(file).absolutePath()));
    QVERIFY(JSaveToFileS(file, text, ZenqEncodingAnsi, false));
}

// "A(B,C),D": names of a level in order, each followed by its sub-tree in brackets.
QString render(const TZenqEasyTree &tree, const QString &stripPrefix = {})
{
    QStringList parts;
    for (int i = 0; i < tree.count(); ++i) {
        QString part = tree.nameAt(i);
        if (!stripPrefix.isEmpty() && part.startsWith(stripPrefix))
            part = part.mid(stripPrefix.size());
        if (const TZenqEasyTree *sub = tree._GetSubTreeAt(i))
            part += QLatin1Char('(') + render(*sub) + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

const QStringList standardProperties { "Author", "Comment", "ServiceType", "DateModified", ".Zenq", ".Zenqc",
                                       "ProjectGroupFile", "IsFolder", "IsService", "IsRemoveableFromConsole" };

} // namespace

class ApplicationsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { JRemoveDir(ZenqGetRootDir(), true); }

    void easyTreeLevels_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<bool>("ignoreDuplicates");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("level");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("sorted without regard to case, duplicates once")
            << true << true << QStringList { "beta", "Alpha", "gamma", "ALPHA" } << QStringList { "Alpha", "beta", "gamma" }
            << QList<int> { 0, 0, 2, 0 };
        QTest::newRow("sorted with duplicates, in the order added")
            << true << false << QStringList { "b", "A", "a" } << QStringList { "A", "a", "b" } << QList<int> { 0, 0, 1 };
        QTest::newRow("unsorted keeps the order") << false << true << QStringList { "b", "a", "B" }
                                                  << QStringList { "b", "a" } << QList<int> { 0, 1, 0 };
    }
    void easyTreeLevels()
    {
        QFETCH(bool, sorted);
        QFETCH(bool, ignoreDuplicates);
        QFETCH(QStringList, added);
        QFETCH(QStringList, level);
        QFETCH(QList<int>, indexes);
        TZenqEasyTree tree(sorted, ignoreDuplicates);
        QList<int> answered;
        for (const QString &name : added)
            answered << tree.add(name);
        QCOMPARE(answered, indexes);
        QStringList names;
        for (int i = 0; i < tree.count(); ++i)
            names << tree.nameAt(i);
        QCOMPARE(names, level);
        QCOMPARE(tree.indexOf(level.last().toUpper()), level.size() - 1);
        QCOMPARE(tree.indexOf(QStringLiteral("missing")), -1);
    }

    void easyTreeSubTreesFollowTheirNames()
    {
        TZenqEasyTree tree;
        tree.add(QStringLiteral("m"));
        QVERIFY(!tree._GetSubTreeAt(0));
        tree.subTreeAt(0).add(QStringLiteral("child"));
        tree.add(QStringLiteral("a")); // moves "m" to index 1
        QVERIFY(!tree._GetSubTreeAt(0));
        QCOMPARE(render(tree), QStringLiteral("a,m(child)"));
        TZenqEasyTree moved(std::move(tree));
        QCOMPARE(render(moved), QStringLiteral("a,m(child)"));
        moved.subTreeAt(1).add(QStringLiteral("Child")); // the sub-tree has the parent's flags
        QCOMPARE(moved._GetSubTreeAt(1)->count(), 1);
        QVERIFY(!moved._GetSubTreeAt(5));
        moved.clear();
        QCOMPARE(moved.count(), 0);
    }

    void flatNameListCountsEitherFile()
    {
        writeConfiguration(bin(QStringLiteral("b.Zenq")), {});
        writeConfiguration(bin(QStringLiteral("B.Zenqc")), {});
        writeConfiguration(bin(QStringLiteral("ConfigOnly.Zenqc")), {});
        writeConfiguration(bin(QStringLiteral("alpha.Zenq")), {});
        writeText(bin(QStringLiteral("Orders.DLL")), QStringLiteral("binary"));
        writeText(bin(QStringLiteral("Old.Zenq.bak")), QStringLiteral("backup"));
        QVERIFY(JMakeDir(bin(QStringLiteral("Directory.Zenq"))));
        QStringList names { QStringLiteral("left over") };
        ZenqGetAllZenq(names, ZenqGetApplicationsBinDir());
        QCOMPARE(names, (QStringList { "alpha", "B", "ConfigOnly" }));
    }

    // Each application is "Name:parent in .Zenq:parent in .Zenqc"; "-" instead of a parent means that
    // file is missing.
    void nameTreeFollowsParents_data()
    {
        QTest::addColumn<QStringList>("applications");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("tree");
        const QString top = QStringLiteral("ZenqApplications::");
        QTest::newRow("hierarchy, sorted without regard to case")
            << QStringList { top, "Sales:ZenqApplications:ZenqApplications", "orders:Sales:Sales", "Beta:Sales:Sales",
                             "alpha:sales:sales", "Invoices:ZenqApplications:ZenqApplications" }
            << "ZenqApplications" << "ZenqApplications(Invoices,Sales(alpha,Beta,orders))";
        QTest::newRow("the configuration file names the parent")
            << QStringList { top, "NoParentInDefinition::ZenqApplications", "OnlyConfiguration:-:ZenqApplications" }
            << "ZenqApplications" << "ZenqApplications(NoParentInDefinition,OnlyConfiguration)";
        QTest::newRow("the definition file wins")
            << QStringList { top, "Sales:ZenqApplications:ZenqApplications", "Orders:Sales:ZenqApplications" }
            << "ZenqApplications" << "ZenqApplications(Sales(Orders))";
        QTest::newRow("missing parent: at the first level with its children")
            << QStringList { top, "Lost:Gone:Gone", "Child:Lost:Lost" } << "ZenqApplications"
            << "Lost(Child),ZenqApplications";
        QTest::newRow("cycle: broken at the first member met")
            << QStringList { top, "A:B:B", "B:A:A", "C:B:B" } << "ZenqApplications" << "A(B(C)),ZenqApplications";
        QTest::newRow("own parent") << QStringList { top, "Me:Me:Me" } << "ZenqApplications" << "Me,ZenqApplications";
        QTest::newRow("the root stays on top")
            << QStringList { "ZenqApplications:Sales:Sales", "Sales:ZenqApplications:ZenqApplications" }
            << "zenqapplications" << "ZenqApplications(Sales)";
        QTest::newRow("no root") << QStringList { "Sales:ZenqApplications:", "Orders:Sales:Sales" } << "ZenqApplications"
                                 << "Sales(Orders)";
    }
    void nameTreeFollowsParents()
    {
        QFETCH(QStringList, applications);
        QFETCH(QString, root);
        QFETCH(QString, tree);
        for (const QString &application : applications) {
            const QStringList parts = application.split(QLatin1Char(':'));
            const QString &name = parts[0];
            if (parts[1] != QLatin1String("-"))
                writeConfiguration(bin(name + QStringLiteral(".Zenq")),
                                   parts[1].isEmpty() ? QString() : element(QStringLiteral("Parent"), parts[1] + QStringLiteral(".Zenq")));
            // Encrypted, as configuration files often are.
            writeConfiguration(bin(name + QStringLiteral(".Zenqc")),
                               parts[2].isEmpty() ? QString() : element(QStringLiteral("Parent"), parts[2] + QStringLiteral(".Zenqc")),
                               ZenqXMLFileEncrypted);
        }
        TZenqEasyTree names(true, true);
        ZenqGetAllZenq(names, ZenqGetApplicationsBinDir(), root);
        QCOMPARE(render(names), tree);
    }

    void projectGroupsTreeListsTargetsPerFile()
    {
        writeText(projectGroup(QStringLiteral("Sales.BPG")),
                  QStringLiteral("VERSION = BWS.01\r\nPROJECTS = ORDERS.DLL\r\ndefault: $(PROJECTS)\r\n\r\n"
                                 "Orders.dll: ..\\Source\\Orders\\Orders.dpr\r\n  $(DCC)\r\n\r\n"));
        writeText(projectGroup(QStringLiteral("Zeta/All.BPG")),
                  QStringLiteral("PROJECTS = Orders.dll \\\r\n  Invoices.exe\tStock.dll \\\r\n  Tail.dll\r\n"
                                 "#---\r\nNotATarget.dll: x\r\n"));
        writeText(projectGroup(QStringLiteral("Empty.BPG")), QStringLiteral("# no targets\r\n"));
        writeText(projectGroup(QStringLiteral("Notes.txt")), QStringLiteral("PROJECTS = Other.dll\r\n"));
        TZenqEasyTree groups(true, true);
        ZenqGetAllProjectgroupsAsTree(ZenqGetRootDir(), groups);
        QCOMPARE(render(groups, ZenqGetApplicationsProjectGroupsDir() + QLatin1Char('/')),
                 QStringLiteral("Empty.BPG,Sales.BPG(ORDERS),Zeta/All.BPG(Invoices,Orders,Stock,Tail)"));
    }

    void standardPropertiesOfAnApplication_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("values");
        const QString b = ZenqGetApplicationsBinDir() + QLatin1Char('/');
        const QString pg = ZenqGetApplicationsProjectGroupsDir() + QLatin1Char('/');
        QTest::newRow("both files, first project group")
            << "Orders"
            << QStringList { "Ines & Co", "Order entry", "Service", "2024-03-11 17:26", b + "Orders.Zenq",
                             b + "Orders.Zenqc", pg + "Sales.BPG", "0", "1", "1" };
        QTest::newRow("settings missing in the definition come from the configuration")
            << "Split"
            << QStringList { "Split author", "From the configuration", "", "2024-03-11 17:26", b + "Split.Zenq",
                             b + "Split.Zenqc", pg + "Zeta/All.BPG", "", "", "" };
        QTest::newRow("configuration file only, in no project group")
            << "Lonely"
            << QStringList { "Cfg", "", "Folder", "2024-03-11 17:26", "", b + "Lonely.Zenqc", "", "1", "0", "0" };
        QTest::newRow("no files") << "Missing" << QStringList { "", "", "", "", "", "", "", "", "", "" };
    }
    void standardPropertiesOfAnApplication()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, values);
        const QDateTime modified(QDate(2024, 3, 11), QTime(17, 26, 40));
        const auto write = [&](const QString &file, const QString &elements, int type) {
            writeConfiguration(bin(file), elements, type);
            QFile handle(bin(file));
            QVERIFY(handle.open(QIODevice::ReadOnly));
            QVERIFY(handle.setFileTime(modified, QFileDevice::FileModificationTime));
        };
        write(QStringLiteral("Orders.Zenq"),
              element(QStringLiteral("Parent"), QStringLiteral("Sales.Zenq")) + element(QStringLiteral("Author"), QStringLiteral("Ines & Co"))
                  + element(QStringLiteral("Comment"), QStringLiteral("Order entry"))
                  + element(QStringLiteral("ServiceType"), QStringLiteral("Service"))
                  + element(QStringLiteral("IsFolder"), QStringLiteral("0")) + element(QStringLiteral("IsService"), QStringLiteral("1"))
                  + element(QStringLiteral("IsRemoveableFromConsole"), QStringLiteral("1")),
              ZenqXMLFilePlain);
        write(QStringLiteral("Orders.Zenqc"), element(QStringLiteral("Author"), QStringLiteral("not this one")), ZenqXMLFileEncrypted);
        write(QStringLiteral("Split.Zenq"), element(QStringLiteral("Author"), QStringLiteral("Split author")) + QStringLiteral("   <Comment/>\r\n"),
              ZenqXMLFileUtf16);
        write(QStringLiteral("Split.Zenqc"), element(QStringLiteral("Comment"), QStringLiteral("From the configuration")),
              ZenqXMLFileEncrypted);
        write(QStringLiteral("Lonely.Zenqc"),
              element(QStringLiteral("Author"), QStringLiteral("Cfg")) + element(QStringLiteral("ServiceType"), QStringLiteral("Folder"))
                  + element(QStringLiteral("IsFolder"), QStringLiteral("1")) + element(QStringLiteral("IsService"), QStringLiteral("0"))
                  + element(QStringLiteral("IsRemoveableFromConsole"), QStringLiteral("0")),
              ZenqXMLFilePlain);
        writeText(projectGroup(QStringLiteral("Sales.BPG")), QStringLiteral("PROJECTS = orders.dll\r\n"));
        writeText(projectGroup(QStringLiteral("Zeta/All.BPG")), QStringLiteral("PROJECTS = Orders.dll \\\r\n  Split.exe\r\n"));
        TZenqEasyTree groups(true, true);
        ZenqGetAllProjectgroupsAsTree(ZenqGetRootDir(), groups);

        QStringList asked = standardProperties;
        asked << QStringLiteral("NoSuchProperty");
        values << QString();
        QStringList answered { QStringLiteral("left over") };
        ZenqGetStandardProperties(ZenqGetApplicationsBinDir(), name, asked, groups, answered);
        QCOMPARE(answered, values);
    }
};

ZENQ_TEST_CLASS(ApplicationsTest);
#include "ApplicationsTest.moc"
