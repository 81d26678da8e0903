#pragma once
// Helpers of the dialog tests: a modal runner for the length of a test, and showing a window for keys.
#include "dialogs/ZenqModalRunner.h"

#include <QTest>
#include <QWidget>

namespace zenqtest {

// Installs `runner` for the life of the scope, so the entry points drive their dialog without exec().
class ModalRunnerScope
{
public:
    explicit ModalRunnerScope(ZenqModalRunner runner) : m_previous(ZenqSetModalRunner(std::move(runner))) {}
    ~ModalRunnerScope() { ZenqSetModalRunner(std::move(m_previous)); }
    ModalRunnerScope(const ModalRunnerScope &) = delete;
    ModalRunnerScope &operator=(const ModalRunnerScope &) = delete;

private:
    ZenqModalRunner m_previous;
};

// Shows a window and makes it the active one, so focus and keys behave as for a user.
inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace zenqtest
