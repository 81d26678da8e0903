// The trace view's line store: lines read back whole across block boundaries, styles share a table,
// and the store stays compact.
#include "support/TestMain.h"

#include "console/TraceLineStore.h"

#include <QTest>

namespace {

// A line whose characters depend on its index and position, so a line read from the wrong place shows.
QString patternLine(qsizetype index, qsizetype length)
{
    QString line(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        line[i] = QChar(char16_t(u'!' + (index * 7 + i) % 90));
    return line;
}

} // namespace

class TraceLineStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linesReadBackWhole_data()
    {
        constexpr qsizetype small = TraceLineStore::smallBlockChars;
        constexpr qsizetype large = TraceLineStore::largeBlockChars;
        QTest::addColumn<QList<qsizetype>>("lengths");
        QList<qsizetype> many;
        for (int i = 0; i < 30000; ++i)
            many << 90 + i % 40;
        QTest::newRow("short lines over many growing blocks") << many;
        QTest::newRow("empty lines at block ends") << QList<qsizetype> { small, 0, 0, small, 0, 5, 0 };
        QTest::newRow("exact fit, then one more character") << QList<qsizetype> { small - 10, 10, 1, 0 };
        QTest::newRow("line longer than a large block between short ones")
            << QList<qsizetype> { 100, 2 * large + 1, 100, 0, large, 3 };
        QTest::newRow("first line empty, then a long one") << QList<qsizetype> { 0, small + 1, 0 };
    }
    void linesReadBackWhole()
    {
        QFETCH(QList<qsizetype>, lengths);
        TraceLineStore store;
        quint64 total = 0;
        qsizetype longest = 0;
        for (qsizetype i = 0; i < lengths.size(); ++i) {
            store.append(patternLine(i, lengths[i]), TraceLineStyle());
            total += quint64(lengths[i]);
            longest = std::max(longest, lengths[i]);
        }
        QCOMPARE(store.size(), lengths.size());
        QCOMPARE(store.textLength(), total);
        QCOMPARE(store.maxLineLength(), longest);
        for (qsizetype i = 0; i < lengths.size(); ++i) {
            QCOMPARE(store.lineLength(i), lengths[i]);
            if (store.line(i) != patternLine(i, lengths[i]))
                QFAIL(qPrintable(QStringLiteral("line %1 differs").arg(i)));
        }
    }

    void stylesShareOneTable()
    {
        TraceLineStore store;
        const TraceLineStyle red { true, 0xC00000, 1 };
        const TraceLineStyle redItalic { true, 0xC00000, 2 };
        const TraceLineStyle blackPlain { true, 0, 0 }; // special, though it looks ordinary
        store.append(u"a", TraceLineStyle());
        store.append(u"b", red);
        store.append(u"c", redItalic);
        store.append(u"d", red);
        store.append(u"e", blackPlain);
        QCOMPARE(store.styleIndex(0), 0);
        QCOMPARE(store.styleIndex(1), store.styleIndex(3));
        QVERIFY(store.styleIndex(2) != store.styleIndex(1));
        QVERIFY(store.styleIndex(4) != 0);
        QVERIFY(store.style(store.styleIndex(4)).special);
        QCOMPARE(store.styleCount(), 4);
        QCOMPARE(store.style(store.styleIndex(2)).fontStyle, 2);
    }

    void stylesBeyondTheTableShowAsOrdinary()
    {
        TraceLineStore store;
        for (int i = 0; i < TraceLineStore::maxStyles + 10; ++i)
            store.append(u"x", TraceLineStyle { true, quint32(i + 1), 0 });
        QCOMPARE(store.styleCount(), TraceLineStore::maxStyles);
        QCOMPARE(store.style(store.styleIndex(TraceLineStore::maxStyles - 2)).color, quint32(TraceLineStore::maxStyles - 1));
        QCOMPARE(store.styleIndex(TraceLineStore::maxStyles + 5), 0);
    }

    void compactAndEmptyAfterClear()
    {
        TraceLineStore store;
        const QString line = patternLine(1, 100);
        for (int i = 0; i < 100000; ++i)
            store.append(line, TraceLineStyle { i % 20 == 0, 0xC00000, 1 });
        const double ratio = double(store.storageBytes()) / double(store.textLength() * 2);
        QVERIFY2(ratio < 1.2, qPrintable(QString::number(ratio)));
        store.clear();
        QCOMPARE(store.size(), 0);
        QCOMPARE(store.textLength(), quint64(0));
        QCOMPARE(store.maxLineLength(), 0);
        QCOMPARE(store.styleCount(), 1);
        QVERIFY(store.storageBytes() < 1024);
    }
};

ZENQ_TEST_CLASS(TraceLineStoreTest);
#include "TraceLineStoreTest.moc"
