#pragma once
// The four commands of the "Crypting" submenu: ask for a file specifier, remembered per command, run
// the framework's bulk operation and report the outcome. Main thread only (dialogs, registry).
#include "framework/ZenqBulkFiles.h"

#include <QString>

enum class ZenqBulkCommand { UncryptAll, CryptAll, UnicodeToAnsiAll, AnsiToUnicodeAll };

// How a command ended.
enum class ZenqBulkOutcome { Cancelled, Succeeded, Failed };

// The menu item's name (also the registry value name of its remembered specifier) and the dialog caption.
QString ZenqBulkCommandName(ZenqBulkCommand command);
QString ZenqBulkCommandCaption(ZenqBulkCommand command);

// The specifier offered before the user chose one: the applications directory joined with "*.Zenqc".
QString ZenqBulkDefaultSpecifier();
// The specifier the command offers next.
QString ZenqBulkRememberedSpecifier(ZenqBulkCommand command);

// Runs the command's framework operation on a specifier without any dialog.
bool ZenqRunBulkOperation(ZenqBulkCommand command, const QString &fileSpecifier, bool includeSubDirectories,
                          const ZenqBulkProgress &progress = {}, ZenqBulkReport *report = nullptr);

// The menu command: wait cursor, asks for the specifier, runs the operation when confirmed and shows
// the result. The specifier is stored and the cursor restored on every way out, an exception included.
ZenqBulkOutcome ZenqExecuteBulkCommand(ZenqBulkCommand command, bool includeSubDirectories,
                                       const ZenqBulkProgress &progress = {});
