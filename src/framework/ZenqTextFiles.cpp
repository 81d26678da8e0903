#include "ZenqTextFiles.h"

#include "ZenqCrypt.h"
#include "ZenqFiles.h"
#include "ZenqPaths.h"
#include "ZenqTextEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

QString ZenqTextFileContent::held(const QString &value) const
{
    return form == Form::AnsiBytes ? QString::fromLatin1(JWideToAnsi(value)) : value;
}

bool ZenqLoadTextFileKeepingForm(const QString &file, ZenqTextFileContent &content, QString *error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(file, input.errorString());
        return false;
    }
    const QByteArray bytes = input.readAll();
    if (ZenqIsEncryptedContent(bytes)) {
        QString reason;
        if (!JDECRYPT_Bytes(bytes, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), &content.text, &reason)) {
            if (error)
                *error = QStringLiteral("Cannot decrypt %1: %2").arg(file, reason);
            return false;
        }
        content.form = ZenqTextFileContent::Form::Encrypted;
        return true;
    }
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringConverter::Utf16LE);
        content.text = decoder.decode(QByteArrayView(bytes).sliced(2));
        content.form = ZenqTextFileContent::Form::Utf16Bom;
        return true;
    }
    if (bytes.startsWith(UTF8Header)) {
        content.text = QString::fromUtf8(QByteArrayView(bytes).sliced(UTF8Header.size()));
        content.form = ZenqTextFileContent::Form::Utf8Bom;
        return true;
    }
    // Bytes that do not survive the code page (binary files, text of another code page) are kept byte
    // for byte, so a rewrite changes nothing but the replaced names.
    content.text = JAnsiToWide(bytes);
    content.form = ZenqTextFileContent::Form::Ansi;
    if (JWideToAnsi(content.text) != bytes) {
        content.text = QString::fromLatin1(bytes);
        content.form = ZenqTextFileContent::Form::AnsiBytes;
    }
    return true;
}

bool ZenqSaveTextFileKeepingForm(const QString &file, const ZenqTextFileContent &content, QString *error)
{
    QByteArray bytes;
    switch (content.form) {
    case ZenqTextFileContent::Form::Ansi:
        bytes = JWideToAnsi(content.text);
        break;
    case ZenqTextFileContent::Form::AnsiBytes:
        bytes = content.text.toLatin1();
        break;
    case ZenqTextFileContent::Form::Utf8Bom:
        bytes = UTF8Header + content.text.toUtf8();
        break;
    case ZenqTextFileContent::Form::Utf16Bom:
        bytes = ZenqByteOrderMark(ZenqEncodingUtf16LE) + ZenqEncodeText(content.text, ZenqEncodingUtf16LE);
        break;
    case ZenqTextFileContent::Form::Encrypted:
        bytes = JCRYPT_PChar(content.text, ZenqStandardCryptKey(), ZenqStandardSecurityLevel());
        break;
    }
    return JSaveBytesAtomically(file, bytes, error);
}

bool JChangeAllFilesInAllDirectories(const QString &directory, const QString &filePattern,
                                     const QString &excludedExtensions, const QString &searched,
                                     const QString &replacement, int, ZenqTextChangeOptions options)
{
    if (searched.isEmpty() || !JDirExists(directory))
        return true;
    QStringList files;
    JGetAllFilesInAllDirectories(directory, filePattern, files, excludedExtensions);
    bool ok = true;
    for (const QString &file : std::as_const(files)) {
        if (QFileInfo(file).isSymLink())
            continue; // a link may lead out of the tree
        ZenqTextFileContent content;
        if (!ZenqLoadTextFileKeepingForm(file, content)) {
            ok = false;
            continue;
        }
        bool changed = false;
        content.text = ZenqReplaceText(content.text, content.held(searched), content.held(replacement), options,
                                       &changed);
        if (changed && !ZenqSaveTextFileKeepingForm(file, content))
            ok = false;
    }
    return ok;
}

bool JRenameAllFiles(const QString &directory, const QString &oldText, const QString &newText)
{
    if (oldText.isEmpty() || !JDirExists(directory))
        return true;
    QStringList files;
    JGetAllFilesInAllDirectories(directory, QStringLiteral("*.*"), files);
    bool ok = true;
    for (const QString &file : std::as_const(files)) {
        const QFileInfo info(file);
        QString name = info.fileName();
        if (!name.contains(oldText))
            continue;
        name.replace(oldText, newText);
        if (!JRenameFile(file, JMakeFileName(info.path(), name)))
            ok = false;
    }
    return ok;
}
