// Bulk encryption and UTF-16/code-page conversion of every file matching a specifier.
#include "support/TestMain.h"

#include "framework/ZenqBulkFiles.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqXmlFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString configText = QStringLiteral("<Zenq><Setting Value=\"K\u00e4se\"/></Zenq>");

void writeBytes(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile output(file);
    QVERIFY(output.open(QIODevice::WriteOnly));
    output.write(bytes);
}

QByteArray readBytes(const QString &file)
{
    QFile input(file);
    return input.open(QIODevice::ReadOnly) ? input.readAll() : QByteArray();
}

QByteArray utf16WithBom(const QString &text)
{
    return ZenqByteOrderMark(ZenqEncodingUtf16LE) + ZenqEncodeText(text, ZenqEncodingUtf16LE);
}

QByteArray encrypted(const QString &text)
{
    return JCRYPT_PChar(text, ZenqStandardCryptKey(), ZenqStandardSecurityLevel());
}

bool cryptFiles(const QString &specifier, bool subDirectories, bool encrypt, ZenqBulkReport *report = nullptr,
                const ZenqBulkProgress &progress = {})
{
    return JCRYPT_Files(specifier, subDirectories, encrypt, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(),
                        false, progress, report);
}

} // namespace

class BulkFilesTest : public QObject
{
    Q_OBJECT

    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString specifier() const { return path(QStringLiteral("*.Zenqc")); }

    // a.Zenqc, b.Zenqc, sub/c.Zenqc and a non-matching note.txt, all with the same plain content.
    void makeTree(const QByteArray &content)
    {
        for (const char *name : { "a.Zenqc", "b.Zenqc", "sub/c.Zenqc", "note.txt" })
            writeBytes(path(QString::fromLatin1(name)), content);
    }

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void subDirectoriesOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("subDirectories");
        QTest::addColumn<QStringList>("changed");
        QTest::newRow("this directory only") << false << QStringList { "a.Zenqc", "b.Zenqc" };
        QTest::newRow("with sub-directories") << true << QStringList { "a.Zenqc", "b.Zenqc", "sub/c.Zenqc" };
    }
    void subDirectoriesOnlyWhenAsked()
    {
        QFETCH(bool, subDirectories);
        QFETCH(QStringList, changed);
        makeTree(configText.toUtf8());
        ZenqBulkReport report;
        QVERIFY(cryptFiles(specifier(), subDirectories, true, &report));
        QCOMPARE(report.changed.size(), changed.size());
        for (const char *name : { "a.Zenqc", "b.Zenqc", "sub/c.Zenqc", "note.txt" }) {
            const bool expectEncrypted = changed.contains(QString::fromLatin1(name));
            QCOMPARE(JGetTypeOfXMLFile(path(QString::fromLatin1(name))) == ZenqXMLFileEncrypted, expectEncrypted);
        }

        QVERIFY(JUNICODEtoANSI_Files(path(QStringLiteral("*.txt")), subDirectories, true, {}, &report));
        QCOMPARE(report.changed, QStringList { path(QStringLiteral("note.txt")) });
    }

    void encryptionRoundTripKeepsTextAndSkipsFilesAlreadyInForm()
    {
        makeTree(utf16WithBom(configText));
        ZenqBulkReport report;
        QVERIFY(cryptFiles(specifier(), true, true, &report));
        QCOMPARE(report.changed.size(), 3);
        const QByteArray once = readBytes(path(QStringLiteral("a.Zenqc")));
        QVERIFY(cryptFiles(specifier(), true, true, &report));
        QCOMPARE(report.unchanged.size(), 3);
        QCOMPARE(readBytes(path(QStringLiteral("a.Zenqc"))), once); // not encrypted twice

        QVERIFY(cryptFiles(specifier(), true, false, &report));
        QCOMPARE(report.changed.size(), 3);
        QCOMPARE(readBytes(path(QStringLiteral("sub/c.Zenqc"))), configText.toUtf8());
    }

    void corruptedEncryptedFileFailsAloneAndStaysAsItWas()
    {
        makeTree(encrypted(configText));
        QByteArray corrupted = readBytes(path(QStringLiteral("b.Zenqc")));
        corrupted[corrupted.size() - 3] = static_cast<char>(corrupted.at(corrupted.size() - 3) ^ 0x5A);
        writeBytes(path(QStringLiteral("b.Zenqc")), corrupted);

        ZenqBulkReport report;
        QVERIFY(!cryptFiles(specifier(), true, false, &report));
        QCOMPARE(report.failed, QStringList { path(QStringLiteral("b.Zenqc")) });
        QCOMPARE(readBytes(path(QStringLiteral("b.Zenqc"))), corrupted);
        QCOMPARE(readBytes(path(QStringLiteral("a.Zenqc"))), configText.toUtf8());
        QCOMPARE(readBytes(path(QStringLiteral("sub/c.Zenqc"))), configText.toUtf8());
        const QStringList leftovers = QDir(m_dir->path()).entryList(QDir::Files);
        QCOMPARE(leftovers, (QStringList { "a.Zenqc", "b.Zenqc", "note.txt" })); // no temporary file remains
    }

    void conversion_data()
    {
        QTest::addColumn<bool>("toUnicode");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("UTF-16 to code page") << false << utf16WithBom(configText) << JWideToAnsi(configText);
        QTest::newRow("code page to UTF-16") << true << JWideToAnsi(configText) << utf16WithBom(configText);
        QTest::newRow("code page stays") << false << JWideToAnsi(configText) << JWideToAnsi(configText);
        QTest::newRow("UTF-16 stays") << true << utf16WithBom(configText) << utf16WithBom(configText);
        QTest::newRow("UTF-8 with mark to UTF-16") << true << UTF8Header + configText.toUtf8() << utf16WithBom(configText);
        QTest::newRow("encrypted never converted to code page") << false << encrypted(configText) << QByteArray();
        QTest::newRow("encrypted never converted to UTF-16") << true << encrypted(configText) << QByteArray();
    }
    void conversion()
    {
        QFETCH(bool, toUnicode);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        if (after.isEmpty())
            after = before;
        writeBytes(path(QStringLiteral("x.Zenqc")), before);
        QVERIFY(JUNICODEtoANSI_Files(specifier(), false, toUnicode));
        QCOMPARE(readBytes(path(QStringLiteral("x.Zenqc"))), after);
    }

    void cancelledBetweenFilesLeavesTheRestAlone()
    {
        makeTree(configText.toUtf8());
        QList<qsizetype> seen;
        ZenqBulkReport report;
        const bool ok = cryptFiles(specifier(), true, true, &report, [&](qsizetype done, qsizetype total, const QString &) {
            seen << done;
            return !(done == 1 && total == 3);
        });
        QVERIFY(!ok);
        QVERIFY(report.cancelled);
        QCOMPARE(seen, (QList<qsizetype> { 0, 1 }));
        QCOMPARE(JGetTypeOfXMLFile(path(QStringLiteral("a.Zenqc"))), int(ZenqXMLFileEncrypted));
        QCOMPARE(JGetTypeOfXMLFile(path(QStringLiteral("b.Zenqc"))), int(ZenqXMLFilePlain));
        QCOMPARE(JGetTypeOfXMLFile(path(QStringLiteral("sub/c.Zenqc"))), int(ZenqXMLFilePlain));
    }

    void progressEndsWithAllDone()
    {
        makeTree(configText.toUtf8());
        QList<qsizetype> seen;
        QVERIFY(cryptFiles(specifier(), false, true, nullptr, [&](qsizetype done, qsizetype, const QString &) {
            seen << done;
            return true;
        }));
        QCOMPARE(seen, (QList<qsizetype> { 0, 1, 2 }));
    }

    void specifiers_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("files");
        QTest::newRow("several masks") << "*.Zenqc;*.txt" << true << 3;
        QTest::newRow("mask matching nothing") << "*.none" << true << 0;
        QTest::newRow("directory alone means every file") << "" << true << 3;
        QTest::newRow("missing directory") << "missing/*.Zenqc" << false << 0;
    }
    void specifiers()
    {
        QFETCH(QString, relative);
        QFETCH(bool, ok);
        QFETCH(int, files);
        makeTree(configText.toUtf8());
        ZenqBulkReport report;
        QCOMPARE(cryptFiles(relative.isEmpty() ? m_dir->path() : path(relative), false, true, &report), ok);
        QCOMPARE(report.directoryMissing, !ok);
        QCOMPARE(int(report.changed.size()), files);
    }
};

ZENQ_TEST_CLASS(BulkFilesTest);
#include "BulkFilesTest.moc"
