// zenq-console: the console of a Zenq installation.
#include "HeadlessConsole.h"
#include "ZenqConsoleApplication.h"

#include "console/widgets/ZenqConsole_MainForm.h"
#include "servicemanager/widgets/ZenqServiceManager_Form.h"
#include "framework/ZenqLocks.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqWindowClasses.h"
#include "platform/Processes.h"
#include "platform/TerminationSignals.h"

#include "framework/ZenqDemoInstallation.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqFrameworkComponentsStarter.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqUserInterface.h"
#include "framework/widgets/ZenqQtUserInterface.h"

#include <QApplication>
#include <QDir>
#include <QPointer>

#include <cstdio>
#include <cstring>

namespace {

// Without ZENQ_ROOT the console works on the demo installation in the user's data directory and
// creates it on the first start.
bool ensureInstallation(QString *error)
{
    if (!qEnvironmentVariableIsEmpty("ZENQ_ROOT"))
        return true;
    const QString root = ZenqDefaultDemoRootDir();
    if (ZenqIsDemoInstallation(root))
        return true;
    const QString tool = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zenq"));
    QString reason;
    if (ZenqInstallDemo(root, &reason, JFileExists(tool) ? tool : QString()))
        return true;
    *error = QStringLiteral("The demo installation could not be created in %1:\n%2").arg(root, reason);
    return false;
}

void printUsage()
{
    std::printf("usage: zenq-console [--headless [--plain] [--once] [--show-memory]]\n\n"
                "Without arguments the console window opens. --headless reads trace without a window and writes\n"
                "every displayed line to standard output (special lines coloured on a terminal, never with\n"
                "--plain); --once takes up the waiting hand-over files once and ends; --show-memory prints the\n"
                "memory table to standard error after each change. SIGINT and SIGTERM end it cleanly.\n");
}

int runHeadless(int argc, char **argv)
{
    HeadlessOptions options;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--headless") == 0)
            continue;
        if (std::strcmp(argument, "--plain") == 0)
            options.plain = true;
        else if (std::strcmp(argument, "--once") == 0)
            options.once = true;
        else if (std::strcmp(argument, "--show-memory") == 0)
            options.showMemory = true;
        else {
            std::fprintf(stderr, "zenq-console: unknown argument %s\n", argument);
            printUsage();
            return 2;
        }
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zenq - Console"));
    QString error;
    if (!ensureInstallation(&error)) {
        std::fprintf(stderr, "zenq-console: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return HeadlessConsole(options).run();
}

} // namespace

int main(int argc, char **argv)
{
    ZenqFrameworkBinding binding;
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printUsage();
            return 0;
        }
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
    }
    if (headless)
        return runHeadless(argc, argv);

    // One console at a time: a second start brings the running one forward and ends.
    ZenqRunOnlyOnceHandle guard = JRunOnlyOnce(platform::currentExecutablePath());
    if (!guard) {
        QCoreApplication app(argc, argv);
        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("ZenqConsoleShow"), ZenqWindowClass::Console, {},
                                                         true, 0, QString());
        return 0;
    }
    int exitCode = 0;
    {
        ZenqConsoleApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Zenq - Console"));
        ZenqSetUserInterface(std::make_unique<ZenqQtUserInterface>());
        QString error;
        if (!ensureInstallation(&error)) {
            JUserMessage(error, static_cast<int>(JMessageFlag::IconError));
            return 1;
        }
        QPointer<TZenqConsole_MainForm> window = new TZenqConsole_MainForm;
        window->setAttribute(Qt::WA_DeleteOnClose); // the window is freed on close, which ends the loop
        window->setServiceManagerFactory([](QWidget *) { return new TZenqServiceManager_Form; });
        // SIGINT and SIGTERM end the console like closing its window: settings stored, files written.
        platform::quitOnTerminationSignals();
        QObject::connect(&app, &QCoreApplication::aboutToQuit, [&window] {
            if (window)
                window->close();
        });
        window->show();
        exitCode = app.exec();
        delete window.data();
        ZenqSetUserInterface(nullptr);
    }
    JRunOnlyOnceEnded(guard);
    return exitCode;
}
