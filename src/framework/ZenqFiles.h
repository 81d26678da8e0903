#pragma once
// File and directory operations of the framework library. Thread-safe (no shared state).
#include <QString>
#include <QStringList>

bool JFileExists(const QString &file);
// The file name without directory (either separator) and without its last extension: "a/b/C.x.BPG" -> "C.x".
QString JVeryPureFileName(const QString &file);
// Deletes a file; `force` also removes a read-only one. False when the file remains.
bool JDeleteFile(const QString &file, bool force = false);
// Renames or moves a file or directory; fails (false) when the target exists.
bool JRenameFile(const QString &oldName, const QString &newName);
// Copies a file, replacing the target unless failIfExists; a missing target directory is created.
// Keeps the framework's contract:
// the answer is TRUE WHEN THE COPY FAILED and false when it succeeded.
bool JCopyFile(const QString &source, const QString &target, bool failIfExists = false);
bool JDirExists(const QString &directory);
// Creates a directory with its missing parents; true when it exists afterwards.
bool JMakeDir(const QString &directory);
// Removes a directory; with contents, everything inside it too. True when it is gone.
bool JRemoveDir(const QString &directory, bool withContents);

// Listing. Masks are wildcard patterns separated by ";" ("*.EXE;*.vbs"), matched without regard to
// case; "*.*" matches every name. Exclusions, separated by ";", are file names or, when they start
// with ".", extensions, both without regard to case. Names are appended to `list` sorted without
// regard to case (files of a directory before its sub-directories).
bool JFileNameMatchesMasks(const QString &fileName, const QString &masks);
// Appends full file names.
void JGetAllFiles(const QString &directory, const QString &masks, QStringList &list,
                  const QString &exclusions = {}, bool subDirectories = false);
// Appends file names without their directory.
void JGetAllFilesPure(const QString &directory, const QString &masks, QStringList &list,
                      const QString &exclusions = {}, bool subDirectories = false);
// Appends full file names from the directory and all its sub-directories. `withDirectories` also
// appends the sub-directories themselves; `fileSystemKind` is accepted for the original's signature.
void JGetAllFilesInAllDirectories(const QString &directory, const QString &masks, QStringList &list,
                                  const QString &exclusions = {}, bool withDirectories = false,
                                  int fileSystemKind = 2);

// Loads a text file; the options are ZenqLoadOption bits and the encoding code is reported
// (0 UTF-16LE, 1 UTF-8, other the system code page). False with *error set when it cannot be read.
bool JLoadFromFileEx(const QString &file, int options, QString &text, int &encoding, QString *error = nullptr);
// As above; an unreadable file gives the empty text.
QString JLoadFromFile(const QString &file, int options, int *encoding = nullptr);
// Writes a text file in the encoding, with its byte-order mark when `withByteOrderMark`; replaces the
// file atomically (temporary file and rename), so a failure leaves the old content.
bool JSaveToFileS(const QString &file, const QString &text, int encoding, bool withByteOrderMark = true,
                  QString *error = nullptr);
// Writes bytes atomically (temporary file and rename).
bool JSaveBytesAtomically(const QString &file, const QByteArray &bytes, QString *error = nullptr);
