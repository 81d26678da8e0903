// zenq-console: the console of a Zenq installation.
#include "framework/ZenqDemoInstallation.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqFrameworkComponentsStarter.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqUserInterface.h"
#include "framework/widgets/ZenqQtUserInterface.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>

namespace {

// Without ZENQ_ROOT the console works on the demo installation in the user's data directory and
// creates it on the first start.
bool ensureInstallation()
{
    if (!qEnvironmentVariableIsEmpty("ZENQ_ROOT"))
        return true;
    const QString root = ZenqDefaultDemoRootDir();
    if (ZenqIsDemoInstallation(root))
        return true;
    QString error;
    const QString tool = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zenq"));
    if (ZenqInstallDemo(root, &error, JFileExists(tool) ? tool : QString()))
        return true;
    JUserMessage(QStringLiteral("The demo installation could not be created in %1:\n%2").arg(root, error),
                 static_cast<int>(JMessageFlag::IconError));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    ZenqFrameworkBinding binding;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zenq - Console"));
    ZenqSetUserInterface(std::make_unique<ZenqQtUserInterface>());
    if (!ensureInstallation())
        return 1;

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Zenq - Console"));
    window.resize(564, 282);
    window.show();
    return app.exec();
}
