#pragma once
// The console menu info of configuration files: settings that carry a ConsoleMenu attribute
// ("(ZenqConsole[;Separator][;OS=W2K3][;NoMenu]) Caption") and their allowed Values ("0;1", "0;1;2",
// ".."). Pure functions over files; thread-safe.
#include <QList>
#include <QString>
#include <QStringList>

struct TXMLMenuInfo
{
    int identifier = 0;       // unique within one list; the tag of the entry's menu items
    bool menu = true;         // shown in the menu; the first entry without it ends a file's menu
    bool separator = false;   // a separator precedes the entry
    QString caption;          // caption, value captions included ("Level: 0 = off; 1 = on")
    QString key;              // the setting's element name
    QStringList values;       // allowed values; "0" and "1" alone mean on/off, ".." free input
    QString secondText;       // passed back when the value is written (the element name here)
    QString currentValue;
    QString osRestriction;    // "W95", "NT", "XP", "W2K" or "W2K3": disabled on that Windows
    int selectedIndex = -1;   // index of the current value in `values`
    QString fileName;         // the configuration file holding the setting
};
using TXMLMenuInfoStructure = QList<TXMLMenuInfo>;

// Appends the entries of one configuration file whose ConsoleMenu attribute starts with `marker`
// ("(ZenqConsole"), in file order, numbering them after the ones already in the list. False with
// *error when the file cannot be read (the list is left as it was).
bool GetXMLMenuInfo(const QString &file, const QString &marker, TXMLMenuInfoStructure &list, QString *error = nullptr);
// The entry with that identifier, or null.
TXMLMenuInfo *FindViaID(TXMLMenuInfoStructure &list, int identifier);
// Whether the entry's file may be written (it exists and is writable); `forWriting` as the original passes.
bool Changeable(const TXMLMenuInfo &entry, bool forWriting);
// Writes the entry's value into its file (the element named by the second text), keeping the file's type.
bool JChangeXMLFile(const QString &file, const QString &key, int securityLevel, const QString &caption,
                    const QString &secondText, const QString &value, QString *error = nullptr);

// A snapshot of the installation's configuration files (name, size and time of every *.Zenq and
// *.Zenqc of the applications and framework directories), and whether they changed since.
void ZenqFilesBuildChangedList(QStringList &snapshot);
bool ZenqFilesChanged(const QStringList &snapshot);
