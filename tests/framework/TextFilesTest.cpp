// Name changes across directory trees: each file keeps its form, only changed files are written,
// patterns, exclusions and the whole-identifier rule hold, a file that cannot be read does not stop the
// others; renames of the files that carry a name; identifier positions, pure file names and bound SQL.
#include "support/TestMain.h"

#include "framework/ZenqCrypt.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTextFiles.h"
#include "framework/ZenqTextFormat.h"
#include "framework/ZenqXmlFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <stdexcept>

namespace {

const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc());

QByteArray readAll(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeAll(const QString &file, const QByteArray &bytes)
{
    QVERIFY(JMakeDir(QFileInfo(file).absolutePath()));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
    f.close();
    // An old time shows whether a file was written again: every write brings the current time.
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.setFileTime(longAgo, QFileDevice::FileModificationTime));
}

bool written(const QString &file)
{
    return QFileInfo(file).lastModified() != longAgo;
}

QByteArray utf16(const QString &text)
{
    return ZenqEncodeText(text, ZenqEncodingUtf16LE);
}

const ZenqTextChangeOptions wholeNames = ZenqTextChangeOptionsFromByte(13);

} // namespace

class TextFilesTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;

    QString path(const QString &relative) const { return dir->filePath(relative); }

private Q_SLOTS:
    void init() { dir = std::make_unique<QTemporaryDir>(); }

    void changeKeepsTheFormOfEachFile_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("8-bit code page") << QByteArray("unit OrdersMain; // Orders\r\n")
                                         << QByteArray("unit OrdersMain; // Sales\r\n");
        QTest::newRow("8-bit bytes the code page cannot decode")
            << QByteArray("caf\xE9 Orders \xFF\x80\r\n") << QByteArray("caf\xE9 Sales \xFF\x80\r\n");
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF<a n=\"Orders\"/> \xC3\xA4")
                                         << QByteArray("\xEF\xBB\xBF<a n=\"Sales\"/> \xC3\xA4");
        QTest::newRow("UTF-16 with mark") << QByteArray("\xFF\xFE") + utf16(QStringLiteral("Orders \u00E4 \u20AC"))
                                          << QByteArray("\xFF\xFE") + utf16(QStringLiteral("Sales \u00E4 \u20AC"));
    }
    void changeKeepsTheFormOfEachFile()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString file = path(QStringLiteral("tree/sub/file.txt"));
        writeAll(file, before);
        QVERIFY(JChangeAllFilesInAllDirectories(path(QStringLiteral("tree")), QStringLiteral("*.*"), {},
                                                QStringLiteral("Orders"), QStringLiteral("Sales"), 0, wholeNames));
        QCOMPARE(readAll(file), after);
    }

    void encryptedFileStaysEncrypted()
    {
        const QString file = path(QStringLiteral("tree/Orders.Zenqc"));
        writeAll(file, JCRYPT_PChar(QStringLiteral("<Zenq><Parent Value=\"Orders.Zenqc\"/></Zenq>"),
                                    ZenqStandardCryptKey(), ZenqStandardSecurityLevel()));
        QVERIFY(JChangeAllFilesInAllDirectories(path(QStringLiteral("tree")), QStringLiteral("*.*"), {},
                                                QStringLiteral("Orders"), QStringLiteral("Sales"), 0, wholeNames));
        QCOMPARE(JGetTypeOfXMLFile(file), int(ZenqXMLFileEncrypted));
        QString text;
        QVERIFY(JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text));
        QCOMPARE(text, QStringLiteral("<Zenq><Parent Value=\"Sales.Zenqc\"/></Zenq>"));
    }

    void patternAndExclusionsChooseTheFiles_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("excluded");
        QTest::addColumn<QStringList>("changed");
        QTest::newRow("all but resources") << "*.*" << ".RES;" << QStringList { "Orders.dpr", "units/OrdersMain.pas" };
        QTest::newRow("all") << "*.*" << "" << QStringList { "Orders.dpr", "Orders.RES", "units/OrdersMain.pas" };
        QTest::newRow("units only") << "*.pas" << "" << QStringList { "units/OrdersMain.pas" };
    }
    void patternAndExclusionsChooseTheFiles()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, excluded);
        QFETCH(QStringList, changed);
        const QStringList files { "Orders.dpr", "Orders.RES", "units/OrdersMain.pas", "Unrelated.txt" };
        for (const QString &file : files)
            writeAll(path(QStringLiteral("src/") + file),
                     file == QLatin1String("Unrelated.txt") ? QByteArray("nothing here") : QByteArray("Orders;"));
        QVERIFY(JChangeAllFilesInAllDirectories(path(QStringLiteral("src")), pattern, excluded, QStringLiteral("Orders"),
                                                QStringLiteral("Sales"), 0, wholeNames));
        for (const QString &file : files) {
            const QString full = path(QStringLiteral("src/") + file);
            QCOMPARE(written(full), changed.contains(file));
            if (file != QLatin1String("Unrelated.txt"))
                QCOMPARE(readAll(full), changed.contains(file) ? QByteArray("Sales;") : QByteArray("Orders;"));
        }
    }

    void optionsDecideWhatIsReplaced_data()
    {
        QTest::addColumn<int>("options");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("whole identifiers, all") << 13 << QByteArray("Sales OrdersArchive OrdersMain orders Sales");
        QTest::newRow("parts of identifiers too") << 5 << QByteArray("Sales SalesArchive SalesMain orders Sales");
        QTest::newRow("first only") << 4 << QByteArray("Sales OrdersArchive OrdersMain orders Orders");
        QTest::newRow("without regard to case") << 15 << QByteArray("Sales OrdersArchive OrdersMain Sales Sales");
    }
    void optionsDecideWhatIsReplaced()
    {
        QFETCH(int, options);
        QFETCH(QByteArray, after);
        const QString file = path(QStringLiteral("t/a.txt"));
        writeAll(file, "Orders OrdersArchive OrdersMain orders Orders");
        QVERIFY(JChangeAllFilesInAllDirectories(path(QStringLiteral("t")), QStringLiteral("*.*"), {},
                                                QStringLiteral("Orders"), QStringLiteral("Sales"), 0,
                                                ZenqTextChangeOptionsFromByte(options)));
        QCOMPARE(readAll(file), after);
    }

    void unreadableFileFailsWhileTheOthersAreChanged()
    {
        const QByteArray foreign = JCRYPT_PChar(QStringLiteral("Orders"), QStringLiteral("another key"), 1);
        writeAll(path(QStringLiteral("t/a.Zenqc")), foreign);
        writeAll(path(QStringLiteral("t/b.txt")), "Orders");
        QVERIFY(!JChangeAllFilesInAllDirectories(path(QStringLiteral("t")), QStringLiteral("*.*"), {},
                                                 QStringLiteral("Orders"), QStringLiteral("Sales"), 0, wholeNames));
        QCOMPARE(readAll(path(QStringLiteral("t/a.Zenqc"))), foreign);
        QCOMPARE(readAll(path(QStringLiteral("t/b.txt"))), QByteArray("Sales"));
    }

    void missingDirectoryHasNothingToChange()
    {
        QVERIFY(JChangeAllFilesInAllDirectories(path(QStringLiteral("none")), QStringLiteral("*.*"), {},
                                                QStringLiteral("Orders"), QStringLiteral("Sales"), 0, wholeNames));
        QVERIFY(JRenameAllFiles(path(QStringLiteral("none")), QStringLiteral("Orders"), QStringLiteral("Sales")));
    }

    void renameAllFilesRenamesFilesOnly()
    {
        const QString own = path(QStringLiteral("Orders"));
        for (const char *file : { "Orders.dpr", "OrdersMain.pas", "OrdersForms/Orders.dfm", "Readme.txt" })
            writeAll(JMakeFileName(own, QLatin1String(file)), "x");
        QVERIFY(JRenameAllFiles(own, QStringLiteral("Orders"), QStringLiteral("Sales")));
        QStringList files;
        JGetAllFilesPure(own, QStringLiteral("*.*"), files, {}, true);
        QCOMPARE(files, (QStringList { "Readme.txt", "Sales.dpr", "SalesMain.pas", "Sales.dfm" }));
        QVERIFY(JFileExists(JMakeFileName(own, QStringLiteral("OrdersForms/Sales.dfm"))));
    }

    void renameAllFilesGoesOnAfterATakenName()
    {
        const QString own = path(QStringLiteral("own"));
        writeAll(JMakeFileName(own, QStringLiteral("Orders.dpr")), "old");
        writeAll(JMakeFileName(own, QStringLiteral("Sales.dpr")), "taken");
        writeAll(JMakeFileName(own, QStringLiteral("Orders.pas")), "x");
        QVERIFY(!JRenameAllFiles(own, QStringLiteral("Orders"), QStringLiteral("Sales")));
        QCOMPARE(readAll(JMakeFileName(own, QStringLiteral("Orders.dpr"))), QByteArray("old"));
        QCOMPARE(readAll(JMakeFileName(own, QStringLiteral("Sales.dpr"))), QByteArray("taken"));
        QVERIFY(JFileExists(JMakeFileName(own, QStringLiteral("Sales.pas"))));
    }

    void posIdentExFindsWholeIdentifiers_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("haystack");
        QTest::addColumn<int>("position");
        QTest::newRow("after the list head") << "APP" << "PROJECTS = APP.DLL" << 12;
        QTest::newRow("whole text") << "APP" << "APP" << 1;
        QTest::newRow("at the end") << "APP" << "X APP" << 3;
        QTest::newRow("longer name first") << "APP" << "PROJECTS = APPTWO.DLL APP.DLL" << 23;
        QTest::newRow("inside a name") << "APP" << "MYAPP" << 0;
        QTest::newRow("digit after") << "APP" << "APP1" << 0;
        QTest::newRow("underscore before") << "APP" << "_APP APP" << 6;
        QTest::newRow("after a path") << "APP" << "..\\SOURCE\\APP\\APP.DPR" << 11;
        QTest::newRow("absent") << "APP" << "OTHER.DLL" << 0;
        QTest::newRow("empty needle") << "" << "APP" << 0;
        QTest::newRow("empty text") << "APP" << "" << 0;
    }
    void posIdentExFindsWholeIdentifiers()
    {
        QFETCH(QString, needle);
        QFETCH(QString, haystack);
        QFETCH(int, position);
        QCOMPARE(JPosIdentEx(needle, haystack), position);
    }

    void veryPureFileName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("pure");
        QTest::newRow("full name") << "/inst/ProjectGroups/Sales.BPG" << "Sales";
        QTest::newRow("backslashes") << "..\\Source\\Orders\\Orders.dpr" << "Orders";
        QTest::newRow("two dots") << "/x/Orders.EXE.manifest" << "Orders.EXE";
        QTest::newRow("dot in directory only") << "/x.y/Readme" << "Readme";
        QTest::newRow("no directory, no extension") << "Orders" << "Orders";
        QTest::newRow("empty") << "" << "";
    }
    void veryPureFileName()
    {
        QFETCH(QString, file);
        QFETCH(QString, pure);
        QCOMPARE(JVeryPureFileName(file), pure);
    }

    void executeSqlBindsValuesAndReportsTheDriversMessage()
    {
        const QString connection = QStringLiteral("TextFilesTest");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path(QStringLiteral("t.sqlite")));
            QVERIFY(db.open());
            ZenqExecuteSQL(db, QStringLiteral("CREATE TABLE D_TESTS (APPNAME_ VARCHAR(64), TESTNAME_ VARCHAR(128))"));
            ZenqExecuteSQL(db, QStringLiteral("INSERT INTO D_TESTS VALUES (?, ?)"),
                           { QStringLiteral("O'Brien"), QStringLiteral("x'); DROP TABLE D_TESTS; --") });
            QSqlQuery query(QStringLiteral("SELECT TESTNAME_ FROM D_TESTS WHERE APPNAME_ = 'O''Brien'"), db);
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toString(), QStringLiteral("x'); DROP TABLE D_TESTS; --"));
            try {
                ZenqExecuteSQL(db, QStringLiteral("DELETE FROM D_MISSING WHERE APPNAME_ = ?"), { QStringLiteral("a") });
                QFAIL("no exception");
            } catch (const std::runtime_error &error) {
                QVERIFY2(QString::fromUtf8(error.what()).contains(QLatin1String("D_MISSING")), error.what());
            }
        }
        QSqlDatabase::removeDatabase(connection);
    }
};

ZENQ_TEST_CLASS(TextFilesTest);
#include "TextFilesTest.moc"
