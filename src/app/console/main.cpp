// zenq-console: the console of a Zenq installation.
#include "framework/ZenqFrameworkComponentsStarter.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    ZenqFrameworkBinding binding;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zenq - Console"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Zenq - Console"));
    window.resize(564, 282);
    window.show();
    return app.exec();
}
