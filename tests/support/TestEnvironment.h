#pragma once
// A private installation for one test class: ZENQ_ROOT, ZENQ_RUNTIME_DIR, ZENQ_SYSTEM_DRIVE and
// XDG_CONFIG_HOME point into a fresh temporary directory, so tests never touch the user's files or each
// other. The previous environment comes back on destruction. Main thread only.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <map>

namespace zenqtest {

class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    QString path() const { return m_dir.path(); }

private:
    void set(const char *name, const QString &value);
    QTemporaryDir m_dir;
    std::map<QByteArray, std::pair<bool, QByteArray>> m_saved;
};

// The paths of the `zenq` tool and of `zenq-console` built beside the tests.
QString zenqToolPath();
QString zenqConsolePath();

// Child roles: a test starts its own executable with "--child ROLE ARGS..." to get a real peer process.
using ChildRole = int (*)(int argc, char **argv);
int registerChildRole(const char *role, ChildRole function);
int runChildRole(int argc, char **argv);

} // namespace zenqtest

#define ZENQ_TEST_CHILD_ROLE(name, function) \
    static const int zenqChildRole_##function = zenqtest::registerChildRole(name, function)
