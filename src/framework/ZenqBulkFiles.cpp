#include "ZenqBulkFiles.h"

#include "ZenqCrypt.h"
#include "ZenqFiles.h"
#include "ZenqTextEncoding.h"
#include "ZenqXmlFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

enum class FileOutcome { Changed, Unchanged, Failed };

bool readAll(const QString &file, QByteArray &bytes)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    bytes = input.readAll();
    return input.error() == QFile::NoError;
}

bool runBulk(const QString &fileSpecifier, bool subDirectories, bool stopAtFirstError,
             const ZenqBulkProgress &progress, ZenqBulkReport *report,
             const std::function<FileOutcome(const QString &)> &processOne)
{
    ZenqBulkReport local;
    ZenqBulkReport &r = report ? *report : local;
    r = {};
    QStringList files;
    if (!ZenqBulkFilesOfSpecifier(fileSpecifier, subDirectories, files)) {
        r.directoryMissing = true;
        return false;
    }
    const qsizetype total = files.size();
    for (qsizetype i = 0; i < total; ++i) {
        if (progress && !progress(i, total, files.at(i))) {
            r.cancelled = true;
            return false;
        }
        switch (processOne(files.at(i))) {
        case FileOutcome::Changed:
            r.changed << files.at(i);
            break;
        case FileOutcome::Unchanged:
            r.unchanged << files.at(i);
            break;
        case FileOutcome::Failed:
            r.failed << files.at(i);
            if (stopAtFirstError)
                return false;
            break;
        }
    }
    if (progress)
        progress(total, total, QString());
    return r.failed.isEmpty();
}

FileOutcome cryptOne(const QString &file, bool encrypt, const QString &key, int securityLevel)
{
    QString text;
    int type = ZenqXMLFileUnknown;
    if (!JLoadFromXMLFile(file, key, securityLevel, text, &type))
        return FileOutcome::Failed;
    if ((type == ZenqXMLFileEncrypted) == encrypt)
        return FileOutcome::Unchanged;
    const int newType = encrypt ? ZenqXMLFileEncrypted : ZenqXMLFilePlain;
    return JSaveToXMLFile(file, text, key, securityLevel, newType) ? FileOutcome::Changed : FileOutcome::Failed;
}

FileOutcome convertOne(const QString &file, bool toUnicode)
{
    QByteArray bytes;
    if (!readAll(file, bytes))
        return FileOutcome::Failed;
    // Converting the bytes of an encrypted file would destroy it.
    if (ZenqIsEncryptedContent(bytes))
        return FileOutcome::Unchanged;
    int encoding = ZenqEncodingAnsi;
    const QString text = ZenqDecodeText(bytes, ZenqLoadHonourBom | ZenqLoadGuessUtf16, &encoding);
    const bool isUtf16 = encoding == ZenqEncodingUtf16LE;
    if (isUtf16 == toUnicode)
        return FileOutcome::Unchanged;
    QByteArray converted;
    if (toUnicode) {
        converted = ZenqByteOrderMark(ZenqEncodingUtf16LE) + ZenqEncodeText(text, ZenqEncodingUtf16LE);
    } else {
        converted = JWideToAnsi(text);
        // A character the code page cannot hold would be lost silently; keep the file instead.
        if (JAnsiToWide(converted) != text)
            return FileOutcome::Failed;
    }
    return JSaveBytesAtomically(file, converted) ? FileOutcome::Changed : FileOutcome::Failed;
}

} // namespace

bool ZenqBulkFilesOfSpecifier(const QString &fileSpecifier, bool subDirectories, QStringList &files)
{
    files.clear();
    if (fileSpecifier.trimmed().isEmpty())
        return false;
    QString directory = fileSpecifier;
    QString masks = QStringLiteral("*.*");
    if (!JDirExists(fileSpecifier)) {
        const QFileInfo info(fileSpecifier);
        directory = info.path();
        masks = info.fileName();
    }
    if (!JDirExists(directory) || masks.isEmpty())
        return false;
    JGetAllFiles(directory, masks, files, {}, subDirectories);
    return true;
}

bool JCRYPT_Files(const QString &fileSpecifier, bool subDirectories, bool encrypt, const QString &key,
                  int securityLevel, bool stopAtFirstError, const ZenqBulkProgress &progress, ZenqBulkReport *report)
{
    return runBulk(fileSpecifier, subDirectories, stopAtFirstError, progress, report,
                   [&](const QString &file) { return cryptOne(file, encrypt, key, securityLevel); });
}

bool JUNICODEtoANSI_Files(const QString &fileSpecifier, bool subDirectories, bool toUnicode,
                          const ZenqBulkProgress &progress, ZenqBulkReport *report)
{
    return runBulk(fileSpecifier, subDirectories, false, progress, report,
                   [&](const QString &file) { return convertOne(file, toUnicode); });
}
