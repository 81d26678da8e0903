#pragma once
// The console's application object: every exception that reaches the event loop is shown in one error
// box (named after the configuration being read, if any) instead of ending the program. GUI thread.
#include <QApplication>

class ZenqConsoleApplication final : public QApplication
{
public:
    ZenqConsoleApplication(int &argc, char **argv) : QApplication(argc, argv) {}
    bool notify(QObject *receiver, QEvent *event) override;
};
