#include "ZenqBulkCommands.h"

#include "framework/ZenqCrypt.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqUserInterface.h"

QString ZenqBulkCommandName(ZenqBulkCommand command)
{
    switch (command) {
    case ZenqBulkCommand::UncryptAll:
        return QStringLiteral("MENUUncryptAll");
    case ZenqBulkCommand::CryptAll:
        return QStringLiteral("MENUCryptAll");
    case ZenqBulkCommand::UnicodeToAnsiAll:
        return QStringLiteral("MENUUnicodetoANSIAll");
    case ZenqBulkCommand::AnsiToUnicodeAll:
        return QStringLiteral("MENUANSItoUnicodeAll");
    }
    return {};
}

QString ZenqBulkCommandCaption(ZenqBulkCommand command)
{
    switch (command) {
    case ZenqBulkCommand::UncryptAll:
        return QStringLiteral("Uncrypt all");
    case ZenqBulkCommand::CryptAll:
        return QStringLiteral("Crypt all");
    case ZenqBulkCommand::UnicodeToAnsiAll:
        return QStringLiteral("Unicode to ANSI all");
    case ZenqBulkCommand::AnsiToUnicodeAll:
        return QStringLiteral("ANSI to Unicode all");
    }
    return {};
}

QString ZenqBulkDefaultSpecifier()
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("*.Zenqc"));
}

QString ZenqBulkRememberedSpecifier(ZenqBulkCommand command)
{
    return JGetRegistryString(ZenqConsoleRegistryKey, ZenqBulkCommandName(command), ZenqBulkDefaultSpecifier());
}

bool ZenqRunBulkOperation(ZenqBulkCommand command, const QString &fileSpecifier, bool includeSubDirectories,
                          const ZenqBulkProgress &progress, ZenqBulkReport *report)
{
    switch (command) {
    case ZenqBulkCommand::UncryptAll:
    case ZenqBulkCommand::CryptAll:
        return JCRYPT_Files(fileSpecifier, includeSubDirectories, command == ZenqBulkCommand::CryptAll,
                            ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), false, progress, report);
    case ZenqBulkCommand::UnicodeToAnsiAll:
    case ZenqBulkCommand::AnsiToUnicodeAll:
        return JUNICODEtoANSI_Files(fileSpecifier, includeSubDirectories,
                                    command == ZenqBulkCommand::AnsiToUnicodeAll, progress, report);
    }
    return false;
}

namespace {

// Stores the specifier when it goes out of scope, so an exception from the operation cannot lose it.
class RememberSpecifier
{
public:
    RememberSpecifier(QString name, const QString &specifier) : m_name(std::move(name)), m_specifier(specifier) {}
    ~RememberSpecifier() { JSetRegistryString(ZenqConsoleRegistryKey, m_name, m_specifier); }
    RememberSpecifier(const RememberSpecifier &) = delete;
    RememberSpecifier &operator=(const RememberSpecifier &) = delete;

private:
    QString m_name;
    const QString &m_specifier;
};

} // namespace

ZenqBulkOutcome ZenqExecuteBulkCommand(ZenqBulkCommand command, bool includeSubDirectories,
                                       const ZenqBulkProgress &progress)
{
    // Declared before the remembering guard, so the specifier is stored before the cursor comes back.
    const JWaitCursorScope waitCursor;
    const QString name = ZenqBulkCommandName(command);
    QString specifier = ZenqBulkRememberedSpecifier(command);
    const RememberSpecifier remember(name, specifier);
    if (!JUserInputQuery(ZenqBulkCommandCaption(command), QStringLiteral("Enter file-specifier:"), specifier))
        return ZenqBulkOutcome::Cancelled;
    const bool ok = ZenqRunBulkOperation(command, specifier, includeSubDirectories, progress);
    JUserMessage(ok ? QStringLiteral("Every file was successfully processed.")
                    : QStringLiteral("An error occurred while processing."));
    return ok ? ZenqBulkOutcome::Succeeded : ZenqBulkOutcome::Failed;
}
