// zenq config: the configuration-set commands of the console for scripts.
#include "Command.h"

#include "framework/ZenqMessages.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqUserInterface.h"
#include "framework/ZenqWindowClasses.h"
#include "intercom/ZenqInterCommunication.h"
#include "tools/ZenqConfigurationSets.h"

namespace {

constexpr const char *name = "config";
const QString inUseValue = QStringLiteral("TraceConfigurationActual");

// Answers the commands' questions from the command line and prints their messages.
class CommandLineAnswers final : public ZenqUserInterface
{
public:
    CommandLineAnswers(QString answer, bool overwrite) : m_answer(std::move(answer)), m_overwrite(overwrite) {}
    JMessageResult message(const QString &text, int flags) override
    {
        const int buttons = flags & 0xF;
        const bool question = buttons == static_cast<int>(JMessageFlag::YesNo) || buttons == static_cast<int>(JMessageFlag::YesNoCancel);
        zenqtool::err() << text << (question ? (m_overwrite ? " yes (--overwrite)" : " no (use --overwrite)") : "") << "\n";
        zenqtool::err().flush();
        if (!question) {
            failed = true;
            return JMessageResult::Ok;
        }
        return m_overwrite ? JMessageResult::Yes : JMessageResult::No;
    }
    bool inputQuery(const QString &, const QString &, QString &value) override
    {
        value = m_answer;
        return !m_answer.isEmpty();
    }
    bool inputQueryWithPreviousValues(const QString &title, const QString &prompt, QString &value, const QStringList &) override
    {
        return inputQuery(title, prompt, value);
    }
    void waitCursor() override {}
    void defaultCursor() override {}
    int showProgressMessage(const QString &) override { return 0; }
    void closeProgressMessage(int) override {}
    void bringToFront() override {}
    bool failed = false;

private:
    QString m_answer;
    bool m_overwrite;
};

int configCommand(const QStringList &arguments)
{
    const QString verb = arguments.value(0);
    const bool overwrite = arguments.contains(QLatin1String("--overwrite"));
    QStringList rest = arguments.mid(1);
    rest.removeAll(QStringLiteral("--overwrite"));
    const bool needsName = verb == QLatin1String("save-as") || verb == QLatin1String("open");
    if ((verb != QLatin1String("list") && verb != QLatin1String("save") && !needsName) || rest.size() != (needsName ? 1 : 0))
        return zenqtool::usageError(name, QStringLiteral("expected list, save, save-as NAME or open NAME"));

    auto answers = std::make_unique<CommandLineAnswers>(rest.value(0), overwrite);
    CommandLineAnswers *ui = answers.get();
    auto previous = ZenqSetUserInterface(std::move(answers));
    ZenqConfigurationSets::Host host;
    host.fullNotify = [](const QString &message) { BroadcastToAllApplications(message, {}); };
    // A running console holds back its own automatic broadcasts while the set is copied in.
    host.setCompiling = [](bool compiling) {
        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("WM_ZenqIsCompiling"), ZenqWindowClass::Console, {},
                                                         true, compiling ? 1 : 0, QString());
    };
    ZenqConfigurationSets sets(QString(), host);
    sets.SetConfiguration(JGetRegistryString(ZenqConsoleRegistryKey, inUseValue));
    int exitCode = 0;
    if (verb == QLatin1String("list")) {
        for (const QString &set : ZenqConfigurationSets::storedSets())
            zenqtool::out() << set << (set == sets.configurationInUse() ? "  (in use)" : "") << '\n';
    } else if (verb == QLatin1String("save")) {
        if (sets.configurationInUse().isEmpty())
            exitCode = zenqtool::failure(name, QStringLiteral("no configuration is in use; use save-as NAME"));
        else if (!sets.SaveConfiguration())
            exitCode = 1;
    } else if (verb == QLatin1String("open") && !ZenqConfigurationSets::storedSets().contains(rest.first())) {
        exitCode = zenqtool::failure(name, QStringLiteral("there is no configuration named '%1'").arg(rest.first()));
    } else {
        const bool done = verb == QLatin1String("open") ? sets.OpenConfiguration() : sets.SaveConfigurationAs();
        if (done)
            JSetRegistryString(ZenqConsoleRegistryKey, inUseValue, sets.configurationInUse());
        else
            exitCode = 1;
    }
    if (ui->failed)
        exitCode = 1;
    ZenqSetUserInterface(std::move(previous));
    return exitCode;
}

} // namespace

ZENQ_COMMAND("config", "list | save | save-as NAME [--overwrite] | open NAME",
             "The console's configuration sets: list the stored sets, save the set in use, save the installation's\n"
             "definition and configuration files as a set (an existing one only with --overwrite), or open a set\n"
             "(copied over the live files, then every framework program is told). The set in use is the console's\n"
             "setting TraceConfigurationActual.",
             configCommand);
