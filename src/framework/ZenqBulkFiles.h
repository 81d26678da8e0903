#pragma once
// Bulk operations of the framework library on every file that matches a file specifier: encryption
// of configuration files and conversion between UTF-16 and the system code page. Reentrant (no shared
// state); call from any thread, the progress callback runs on the caller's thread.
//
// A file specifier is a directory joined with ";"-separated masks ("/x/Bin/*.Zenqc;*.Zenq"); a plain
// directory stands for all its files. Each file is replaced atomically (temporary file and rename),
// so a file that fails stays as it was while the others are still processed.
#include <QString>
#include <QStringList>

#include <functional>

// Called before each file with the number of files done so far, and once more with done == total
// after the last. Answering false cancels: the remaining files are left alone.
using ZenqBulkProgress = std::function<bool(qsizetype done, qsizetype total, const QString &file)>;

// What a bulk run did, for callers that want more than true or false.
struct ZenqBulkReport
{
    QStringList changed;   // rewritten
    QStringList unchanged; // already in the wanted form (an encrypted file is never converted)
    QStringList failed;    // left as they were
    bool directoryMissing = false;
    bool cancelled = false;
};

// The files that a specifier names, sorted without regard to case; false when its directory is missing.
bool ZenqBulkFilesOfSpecifier(const QString &fileSpecifier, bool subDirectories, QStringList &files);

// Encrypts (or decrypts) every matching file with the key and level. Files already in the wanted form
// stay untouched; decrypted files become plain UTF-8. True when no file failed, the directory exists
// and the run was not cancelled. `stopAtFirstError` leaves the remaining files alone after a failure.
bool JCRYPT_Files(const QString &fileSpecifier, bool subDirectories, bool encrypt, const QString &key,
                  int securityLevel, bool stopAtFirstError, const ZenqBulkProgress &progress = {},
                  ZenqBulkReport *report = nullptr);

// Converts every matching text file from UTF-16 to the system code page (toUnicode false) or back
// to UTF-16LE with byte-order mark (toUnicode true). A UTF-16 file with a character that the code page
// cannot hold fails and stays as it was. True as for JCRYPT_Files.
bool JUNICODEtoANSI_Files(const QString &fileSpecifier, bool subDirectories, bool toUnicode,
                          const ZenqBulkProgress &progress = {}, ZenqBulkReport *report = nullptr);
