// Configuration files: plain and encrypted round trips, tampering, setting reads and in-place changes.
#include "support/TestMain.h"

#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqXmlFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString sampleXml = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n   <Parent Value=\"ZenqApplications.Zenqc\"/>\r\n"
    "   <!-- <TraceSettingsWithDate Value=\"9\"/> -->\r\n   <TraceSettingsWithDate Value=\"0\" Note=\"ä €\"/>\r\n"
    "   <Empty/>\r\n</Zenq>\r\n");

QByteArray readAll(const QString &file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeAll(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class XmlFileTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString key = ZenqStandardCryptKey();
    int level = ZenqStandardSecurityLevel();

    QString file(const char *name) const { return dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void roundTripKeepsTextAndType_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("plain") << int(ZenqXMLFilePlain);
        QTest::newRow("utf-16") << int(ZenqXMLFileUtf16);
        QTest::newRow("utf-8 with mark") << int(ZenqXMLFileUtf8Bom);
        QTest::newRow("encrypted") << int(ZenqXMLFileEncrypted);
    }
    void roundTripKeepsTextAndType()
    {
        QFETCH(int, type);
        const QString name = file("round.Zenqc");
        QVERIFY(JSaveToXMLFile(name, sampleXml, key, level, type));
        QCOMPARE(JGetTypeOfXMLFile(name), type);
        QString text;
        int loadedType = -2;
        QVERIFY(JLoadFromXMLFile(name, key, level, text, &loadedType));
        QCOMPARE(text, sampleXml);
        QCOMPARE(loadedType, type);
        if (type == ZenqXMLFileEncrypted)
            QVERIFY(!readAll(name).contains("TraceSettingsWithDate"));
    }

    void encryptedFileRefusesWrongKeyTruncationAndTampering_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("wrong key") << "key";
        QTest::newRow("truncated") << "truncate";
        QTest::newRow("one bit flipped") << "flip";
        QTest::newRow("header only") << "header";
    }
    void encryptedFileRefusesWrongKeyTruncationAndTampering()
    {
        QFETCH(QString, damage);
        const QString name = file("damaged.Zenqc");
        QVERIFY(JSaveToXMLFile(name, sampleXml, key, level, ZenqXMLFileEncrypted));
        QString useKey = key;
        QByteArray bytes = readAll(name);
        if (damage == QLatin1String("key"))
            useKey += QLatin1Char('x');
        else if (damage == QLatin1String("truncate"))
            writeAll(name, bytes.left(bytes.size() - 5));
        else if (damage == QLatin1String("flip"))
            writeAll(name, bytes.replace(bytes.size() - 10, 1, QByteArray(1, char(bytes.at(bytes.size() - 10) ^ 1))));
        else
            writeAll(name, ZenqEncryptedHeader());
        QString text = QStringLiteral("untouched");
        QString error;
        QVERIFY(!JLoadFromXMLFile(name, useKey, level, text, nullptr, &error));
        QCOMPARE(text, QStringLiteral("untouched"));
        QVERIFY2(!error.isEmpty(), "a failed read says why");
    }

    void changeXmlFileExSetsValueAndReportsMissingElement()
    {
        const QString name = file("ex.Zenqc");
        QVERIFY(JSaveToXMLFile(name, sampleXml, key, level, ZenqXMLFileEncrypted));
        bool missing = true;
        QVERIFY(JChangeXMLFileEx(name, key, level, QStringLiteral("TraceSettingsWithDate"), QStringLiteral("1"), &missing));
        QVERIFY(!missing);
        QString text;
        int type = 0;
        QVERIFY(JLoadFromXMLFile(name, key, level, text, &type));
        QCOMPARE(type, int(ZenqXMLFileEncrypted));
        QVERIFY(text.contains(QStringLiteral("<TraceSettingsWithDate Value=\"1\" Note=\"ä €\"/>")));
        QVERIFY2(text.contains(QStringLiteral("<!-- <TraceSettingsWithDate Value=\"9\"/> -->")), "comments are not elements");

        QVERIFY(JChangeXMLFileEx(name, key, level, QStringLiteral("Empty"), QStringLiteral("a\"<b"), &missing));
        QVERIFY(JLoadFromXMLFile(name, key, level, text, &type));
        QVERIFY(text.contains(QStringLiteral("<Empty Value=\"a&quot;&lt;b\"/>")));

        const QString before = text;
        QVERIFY(JChangeXMLFileEx(name, key, level, QStringLiteral("NoSuchSetting"), QStringLiteral("1"), &missing));
        QVERIFY(missing);
        QVERIFY(JLoadFromXMLFile(name, key, level, text, &type));
        QCOMPARE(text, before);
    }

    void replaceTextFollowsOptions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all, whole identifiers") << "App.Zenq AppTwo.Zenq App" << 13 << "New.Zenq AppTwo.Zenq New";
        QTest::newRow("first only") << "App App" << 4 << "New App";
        QTest::newRow("all, inside identifiers too") << "App AppTwo" << 5 << "New NewTwo";
        QTest::newRow("case matters unless asked") << "app APP" << 1 << "app APP";
        QTest::newRow("ignore case") << "app APP" << 3 << "New New";
    }
    void replaceTextFollowsOptions()
    {
        QFETCH(QString, text);
        QFETCH(int, options);
        QFETCH(QString, expected);
        QCOMPARE(ZenqReplaceText(text, QStringLiteral("App"), QStringLiteral("New"), ZenqTextChangeOptionsFromByte(options)),
                 expected);
    }

    void changeXmlFileAnswersByFileState()
    {
        const QString name = file("change.Zenq");
        QVERIFY(JSaveToXMLFile(name, sampleXml, key, level, ZenqXMLFilePlain));
        const QStringList searched { QStringLiteral("ZenqApplications.Zenqc") };
        const QStringList replaced { QStringLiteral("Other.Zenqc") };
        QVERIFY(JChangeXMLFile(name, key, level, searched, replaced, ZenqTextChangeOptionsFromByte(4)));
        QVERIFY(readAll(name).contains("Other.Zenqc"));
        QVERIFY2(JChangeXMLFile(name, key, level, searched, replaced, ZenqTextChangeOptionsFromByte(4)),
                 "no occurrence left is still success");
        QVERIFY(!JChangeXMLFile(file("missing.Zenq"), key, level, searched, replaced, ZenqTextChangeOptionsFromByte(4)));
    }

    void settingsAreReadFromConfigurationsAndFollowChanges()
    {
        JMakeDir(ZenqGetApplicationsBinDir());
        const QString name = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc"));
        QVERIFY(JSaveToXMLFile(name, sampleXml, key, level, ZenqXMLFileEncrypted));
        QCOMPARE(ZenqFile_ReadSimple(QStringLiteral("ZenqApplications"), QStringLiteral("TraceSettingsWithDate")),
                 QStringLiteral("0"));
        QVERIFY(!ZenqTraceSettingsWithDate());
        QCOMPARE(ZenqFile_ReadSimpleInteger(QStringLiteral("ZenqApplications"), QStringLiteral("Nothing"), 7), 7);
        // Same size, written right after the first read: the cache must still notice.
        QVERIFY(JChangeXMLFileEx(name, key, level, QStringLiteral("TraceSettingsWithDate"), QStringLiteral("1")));
        QVERIFY(ZenqTraceSettingsWithDate());
        QVERIFY(JChangeXMLFileEx(name, key, level, QStringLiteral("TraceSettingsWithDate"), QStringLiteral("2")));
        QVERIFY2(!ZenqTraceSettingsWithDate(), "only exactly 1 counts as on");
    }
};

ZENQ_TEST_CLASS(XmlFileTest);
#include "XmlFileTest.moc"
