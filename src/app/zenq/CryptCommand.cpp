// zenq crypt: the bulk file operations of the "Crypting" submenu, for scripts.
#include "Command.h"

#include "tools/ZenqBulkCommands.h"

namespace {

int cryptCommand(const QStringList &arguments)
{
    static const QList<QPair<QString, ZenqBulkCommand>> operations {
        { QStringLiteral("encrypt"), ZenqBulkCommand::CryptAll },
        { QStringLiteral("decrypt"), ZenqBulkCommand::UncryptAll },
        { QStringLiteral("to-ansi"), ZenqBulkCommand::UnicodeToAnsiAll },
        { QStringLiteral("to-unicode"), ZenqBulkCommand::AnsiToUnicodeAll },
    };
    QStringList positional;
    bool recursive = false;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--recursive"))
            recursive = true;
        else if (argument.startsWith(QLatin1String("--")))
            return zenqtool::usageError("crypt", QStringLiteral("unknown option %1").arg(argument));
        else
            positional << argument;
    }
    if (positional.size() != 2)
        return zenqtool::usageError("crypt", QStringLiteral("expects an operation and a file specifier"));
    const auto found = std::find_if(operations.begin(), operations.end(),
                                    [&](const auto &entry) { return entry.first == positional.at(0); });
    if (found == operations.end())
        return zenqtool::usageError("crypt", QStringLiteral("unknown operation %1").arg(positional.at(0)));

    ZenqBulkReport report;
    const bool ok = ZenqRunBulkOperation(found->second, positional.at(1), recursive, {}, &report);
    if (report.directoryMissing)
        zenqtool::err() << "zenq crypt: no directory for " << positional.at(1) << '\n';
    for (const QString &file : std::as_const(report.failed))
        zenqtool::err() << "zenq crypt: failed: " << file << '\n';
    zenqtool::err().flush();
    zenqtool::out() << (ok ? "Every file was successfully processed." : "An error occurred while processing.")
                    << " (" << report.changed.size() << " changed, " << report.unchanged.size() << " unchanged, "
                    << report.failed.size() << " failed)\n";
    zenqtool::out().flush();
    return ok ? 0 : 1;
}

} // namespace

ZENQ_COMMAND("crypt", "encrypt|decrypt|to-ansi|to-unicode SPECIFIER [--recursive]",
             "Encrypt, decrypt or convert (UTF-16 <-> system code page) every file matching DIR/MASK;MASK.",
             cryptCommand);
