#pragma once
// Configuration files N.Zenq / N.Zenqc: XML with the root element "Zenq", settings as elements with
// the attribute "Value". Plain and encrypted files go through the same calls. Thread-safe; writes are
// atomic (temporary file and rename), so a failed write never leaves half a file.
#include <QFlags>
#include <QString>
#include <QStringList>

// File types reported by JGetTypeOfXMLFile and JLoadFromXMLFile and handed back to JSaveToXMLFile.
enum ZenqXMLFileType : int {
    ZenqXMLFileMissing = -1,
    ZenqXMLFileUnknown = 0,  // exists, but is no configuration file
    ZenqXMLFilePlain = 1,    // XML in UTF-8 without byte-order mark (the system code page here)
    ZenqXMLFileUtf16 = 2,    // XML in UTF-16LE with byte-order mark
    ZenqXMLFileUtf8Bom = 3,  // XML in UTF-8 with byte-order mark
    ZenqXMLFileEncrypted = 6 // encrypted configuration file
};

// Members of the text-change option set (numbered 0 to 4 as the callers pass them).
enum class ZenqTextChangeOption : int {
    ReplaceAll = 1 << 0,       // 0: every occurrence, else only the first
    IgnoreCase = 1 << 1,       // 1: compare without regard to case
    KeepFileType = 1 << 2,     // 2: write back in the file's own type (plain stays plain, encrypted encrypted)
    WholeIdentifier = 1 << 3,  // 3: only where the text is not part of a longer identifier
    MissingIsSuccess = 1 << 4, // 4: a missing file is no failure
};
Q_DECLARE_FLAGS(ZenqTextChangeOptions, ZenqTextChangeOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ZenqTextChangeOptions)
// The option set from its byte value as the original passes it (13 = {0, 2, 3}).
ZenqTextChangeOptions ZenqTextChangeOptionsFromByte(int byteValue);

int JGetTypeOfXMLFile(const QString &file);

// Reads the text of a configuration file, decrypting it when needed. False with *error set when the
// file is missing, unreadable, or encrypted with another key or changed.
bool JLoadFromXMLFile(const QString &file, const QString &key, int securityLevel, QString &text,
                      int *fileType = nullptr, QString *error = nullptr);
// Writes the text in the given type (encrypted for ZenqXMLFileEncrypted).
bool JSaveToXMLFile(const QString &file, const QString &text, const QString &key, int securityLevel,
                    int fileType, QString *error = nullptr);

// Replaces each searched text by its replacement in the file's text and writes it back.
// True when the file was read and written; false when it is missing (unless MissingIsSuccess) or
// cannot be read or written. A file without any occurrence is left untouched and answers true.
bool JChangeXMLFile(const QString &file, const QString &key, int securityLevel, const QStringList &searched,
                    const QStringList &replacements, ZenqTextChangeOptions options, QString *error = nullptr);
// Replaces occurrences of `searched` in a text by the option rules; reports whether anything changed.
QString ZenqReplaceText(const QString &text, const QString &searched, const QString &replacement,
                        ZenqTextChangeOptions options, bool *changed = nullptr);

// Sets the attribute "Value" of the first element named `elementName`. When there is no such
// element, nothing is written, *elementMissing becomes true and the answer is still true.
bool JChangeXMLFileEx(const QString &file, const QString &key, int securityLevel, const QString &elementName,
                      const QString &value, bool *elementMissing = nullptr, QString *error = nullptr);

// Escapes a text for an XML attribute value.
QString ZenqXmlEscapeAttribute(const QString &text);
