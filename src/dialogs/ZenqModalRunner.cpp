#include "ZenqModalRunner.h"

#include <QApplication>
#include <QDialog>

namespace {

ZenqModalRunner &current()
{
    static ZenqModalRunner runner;
    return runner;
}

} // namespace

void ZenqRunModal(QDialog &dialog)
{
    if (current()) {
        current()(dialog);
        return;
    }
    // A dialog must not show the wait cursor of the work that opened it.
    const bool overridden = QApplication::overrideCursor() != nullptr;
    if (overridden)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.exec();
    if (overridden)
        QApplication::restoreOverrideCursor();
}

ZenqModalRunner ZenqSetModalRunner(ZenqModalRunner runner)
{
    current().swap(runner);
    return runner;
}
