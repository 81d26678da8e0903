// Column layouts of the data grids in the settings: the stored text, what a damaged value does, and the
// value names of the user and window layouts.
#include "support/TestMain.h"

#include "framework/ZenqGridColumns.h"
#include "framework/ZenqRegistry.h"

#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(TZenqGridColumns)

class GridColumnsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(ZenqSettingsFileName()); }

    void storedText_data()
    {
        QTest::addColumn<TZenqGridColumns>("columns");
        QTest::addColumn<QString>("text");
        QTest::newRow("display order, hidden column")
            << TZenqGridColumns { { "SAMPLENAME_", 150, true }, { "APPNAME_", 80, false } }
            << "SAMPLENAME_:150:1;APPNAME_:80:0";
        QTest::newRow("separators and non-ASCII in a name")
            << TZenqGridColumns { { QStringLiteral("a:b;c%\u00e4 d"), 10, true } } << "a%3Ab%3Bc%25%C3%A4%20d:10:1";
        QTest::newRow("negative width stored as 0") << TZenqGridColumns { { "X", -5, true } } << "X:0:1";
    }
    void storedText()
    {
        QFETCH(TZenqGridColumns, columns);
        QFETCH(QString, text);
        QCOMPARE(ZenqGridColumnsToText(columns), text);
        TZenqGridColumns back;
        QVERIFY(ZenqGridColumnsFromText(text, back));
        for (TZenqGridColumn &column : columns)
            column.width = qMax(0, column.width);
        QCOMPARE(back, columns);
    }

    void damagedTextIsIgnoredAsAWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("missing part") << "A:10:1;B:10";
        QTest::newRow("width not a number") << "A:wide:1";
        QTest::newRow("negative width") << "A:-1:1";
        QTest::newRow("visible not 0 or 1") << "A:10:2";
        QTest::newRow("no field name") << ":10:1";
        QTest::newRow("empty entry") << "A:10:1;;B:10:1";
    }
    void damagedTextIsIgnoredAsAWhole()
    {
        QFETCH(QString, text);
        TZenqGridColumns columns { { "KEEP", 1, true } };
        QVERIFY(!ZenqGridColumnsFromText(text, columns));
        QCOMPARE(columns, (TZenqGridColumns { { "KEEP", 1, true } }));
    }

    void userAndWindowLayoutsAreSeparateValues()
    {
        const TZenqGridColumns user { { "COMMENT_", 70, true } };
        const TZenqGridColumns window { { "COMMENT_", 90, true } };
        JSetUserRegistryDBGridColumns(ZenqConsoleRegistryKey, QStringLiteral("#DBGridTests"), user);
        JSetRegistryDBGridColumns(ZenqConsoleRegistryKey, QStringLiteral("DBGridTests"), window);
        QCOMPARE(JGetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("#DBGridTests")), QStringLiteral("COMMENT_:70:1"));
        QCOMPARE(JGetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("DBGridTests")), QStringLiteral("COMMENT_:90:1"));
        TZenqGridColumns read;
        QVERIFY(JGetUserRegistryDBGridColumns(ZenqConsoleRegistryKey, QStringLiteral("#DBGridTests"), read));
        QCOMPARE(read, user);
        QVERIFY(JGetRegistryDBGridColumns(ZenqConsoleRegistryKey, QStringLiteral("DBGridTests"), read));
        QCOMPARE(read, window);
        QVERIFY(!JGetRegistryDBGridColumns(ZenqConsoleRegistryKey, QStringLiteral("DBGridXMLBehaviour"), read));
        QCOMPARE(read, window);
    }
};

ZENQ_TEST_CLASS(GridColumnsTest);
#include "GridColumnsTest.moc"
