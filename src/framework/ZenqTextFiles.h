#pragma once
// Text changes across whole directory trees (an application's name replaced in its sources, SXT files
// and project groups) and renames of the files that carry a name. Every file keeps the form it was
// stored in. Reentrant; no shared state.
#include "ZenqXmlFile.h"

#include <QByteArray>
#include <QString>

// A text file's content together with the form it was stored in, so that a rewrite keeps that form.
struct ZenqTextFileContent
{
    enum class Form {
        Ansi,      // 8-bit text of the system code page, no byte-order mark
        AnsiBytes, // 8-bit bytes that the code page cannot decode: held one character per byte
        Utf8Bom,   // UTF-8 with byte-order mark
        Utf16Bom,  // UTF-16LE with byte-order mark
        Encrypted, // encrypted configuration file (standard key and security level)
    };
    Form form = Form::Ansi;
    QString text;

    // A text as this content holds it: in AnsiBytes form, its code-page bytes one character per byte;
    // unchanged in every other form. Search and replacement texts go through this before use.
    QString held(const QString &value) const;
};

// Reads a file and recognises its form (byte-order marks, the encrypted header, else 8-bit). False with
// *error set when the file cannot be read or an encrypted file cannot be opened with the standard key.
bool ZenqLoadTextFileKeepingForm(const QString &file, ZenqTextFileContent &content, QString *error = nullptr);
// Writes the content back in its form through a temporary file and a rename. False with *error set.
bool ZenqSaveTextFileKeepingForm(const QString &file, const ZenqTextFileContent &content, QString *error = nullptr);

// Replaces `searched` by `replacement` (by the option rules of ZenqReplaceText) in every file of the
// directory tree whose name matches `filePattern` and whose extension is not in `excludedExtensions`
// (";"-separated, ".RES;"). Each file keeps its form; only files that change are written. Links are not
// followed. `fileClass` is accepted for the original's signature. A missing directory has nothing to
// change (true); false when any file could not be read or written (the other files are still done).
bool JChangeAllFilesInAllDirectories(const QString &directory, const QString &filePattern,
                                     const QString &excludedExtensions, const QString &searched,
                                     const QString &replacement, int fileClass, ZenqTextChangeOptions options);

// Every file in the directory tree whose name contains `oldText` (case-sensitive) gets `newText` in its
// place; directories keep their names, the given one included. False when a rename fails (an existing
// target, for example); the other files are still renamed. A missing directory answers true.
bool JRenameAllFiles(const QString &directory, const QString &oldText, const QString &newText);
