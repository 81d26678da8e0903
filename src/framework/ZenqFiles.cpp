#include "ZenqFiles.h"

#include "ZenqTextEncoding.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

bool JFileExists(const QString &file)
{
    const QFileInfo info(file);
    return info.exists() && !info.isDir();
}

QString JVeryPureFileName(const QString &file)
{
    const qsizetype slash = std::max(file.lastIndexOf(QLatin1Char('/')), file.lastIndexOf(QLatin1Char('\\')));
    const QString name = file.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

bool JDeleteFile(const QString &file, bool force)
{
    if (!QFileInfo::exists(file))
        return true;
    if (force)
        QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);
    return QFile::remove(file);
}

bool JRenameFile(const QString &oldName, const QString &newName)
{
    if (!QFileInfo::exists(oldName) || QFileInfo::exists(newName))
        return false;
    return QDir().rename(oldName, newName);
}

bool JCopyFile(const QString &source, const QString &target, bool failIfExists)
{
    if (!JFileExists(source))
        return true;
    if (!JMakeDir(QFileInfo(target).absolutePath()))
        return true;
    if (QFileInfo::exists(target)) {
        if (failIfExists)
            return true;
        QFile source_(source);
        if (!source_.open(QIODevice::ReadOnly))
            return true;
        return !JSaveBytesAtomically(target, source_.readAll());
    }
    return !QFile::copy(source, target);
}

bool JDirExists(const QString &directory)
{
    return !directory.isEmpty() && QFileInfo(directory).isDir();
}

bool JMakeDir(const QString &directory)
{
    return QDir().mkpath(directory);
}

bool JRemoveDir(const QString &directory, bool withContents)
{
    if (!JDirExists(directory))
        return true;
    if (withContents)
        return QDir(directory).removeRecursively();
    return QDir().rmdir(directory);
}

namespace {

QList<QRegularExpression> compileMasks(const QString &masks)
{
    QList<QRegularExpression> compiled;
    for (const QString &mask : masks.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = mask.trimmed();
        if (trimmed == QLatin1String("*.*") || trimmed == QLatin1String("*")) {
            compiled << QRegularExpression(QStringLiteral("^.*$"));
            continue;
        }
        compiled << QRegularExpression(QRegularExpression::wildcardToRegularExpression(trimmed),
                                       QRegularExpression::CaseInsensitiveOption);
    }
    return compiled;
}

bool matchesAny(const QString &name, const QList<QRegularExpression> &masks)
{
    for (const auto &mask : masks)
        if (mask.match(name).hasMatch())
            return true;
    return false;
}

bool isExcluded(const QString &name, const QStringList &exclusions)
{
    for (const QString &exclusion : exclusions) {
        if (exclusion.startsWith(QLatin1Char('.'))) {
            if (name.endsWith(exclusion, Qt::CaseInsensitive))
                return true;
        } else if (name.compare(exclusion, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

void listDirectory(const QString &directory, const QList<QRegularExpression> &masks, const QStringList &exclusions,
                   bool recurse, bool withDirectories, bool fullNames, QStringList &list)
{
    const QDir dir(directory);
    if (!dir.exists())
        return;
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System,
                                                  QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        if (matchesAny(file.fileName(), masks) && !isExcluded(file.fileName(), exclusions))
            list << (fullNames ? file.absoluteFilePath() : file.fileName());
    }
    if (!recurse)
        return;
    const QFileInfoList subDirectories = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                                           QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &sub : subDirectories) {
        if (sub.isSymLink())
            continue; // never follow a link out of the tree or into a cycle
        if (withDirectories)
            list << (fullNames ? sub.absoluteFilePath() : sub.fileName());
        listDirectory(sub.absoluteFilePath(), masks, exclusions, true, withDirectories, fullNames, list);
    }
}

QStringList splitExclusions(const QString &exclusions)
{
    QStringList parts;
    for (const QString &part : exclusions.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        parts << part.trimmed();
    return parts;
}

} // namespace

bool JFileNameMatchesMasks(const QString &fileName, const QString &masks)
{
    return matchesAny(fileName, compileMasks(masks));
}

void JGetAllFiles(const QString &directory, const QString &masks, QStringList &list, const QString &exclusions,
                  bool subDirectories)
{
    listDirectory(directory, compileMasks(masks), splitExclusions(exclusions), subDirectories, false, true, list);
}

void JGetAllFilesPure(const QString &directory, const QString &masks, QStringList &list, const QString &exclusions,
                      bool subDirectories)
{
    listDirectory(directory, compileMasks(masks), splitExclusions(exclusions), subDirectories, false, false, list);
}

void JGetAllFilesInAllDirectories(const QString &directory, const QString &masks, QStringList &list,
                                  const QString &exclusions, bool withDirectories, int)
{
    listDirectory(directory, compileMasks(masks), splitExclusions(exclusions), true, withDirectories, true, list);
}

bool JLoadFromFileEx(const QString &file, int options, QString &text, int &encoding, QString *error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(file, input.errorString());
        return false;
    }
    text = ZenqDecodeText(input.readAll(), options, &encoding);
    return true;
}

QString JLoadFromFile(const QString &file, int options, int *encoding)
{
    QString text;
    int found = ZenqEncodingAnsi;
    if (!JLoadFromFileEx(file, options, text, found))
        text.clear();
    if (encoding)
        *encoding = found;
    return text;
}

bool JSaveBytesAtomically(const QString &file, const QByteArray &bytes, QString *error)
{
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly) || output.write(bytes) != bytes.size() || !output.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(file, output.errorString());
        return false;
    }
    return true;
}

bool JSaveToFileS(const QString &file, const QString &text, int encoding, bool withByteOrderMark, QString *error)
{
    QByteArray bytes = withByteOrderMark ? ZenqByteOrderMark(encoding) : QByteArray();
    bytes += ZenqEncodeText(text, encoding);
    return JSaveBytesAtomically(file, bytes, error);
}
