#include "TestEnvironment.h"

#include <QDir>
#include <QtGlobal>

#include <cstdio>
#include <string>

namespace zenqtest {

TestEnvironment::TestEnvironment()
{
    const QString base = m_dir.path();
    for (const char *sub : { "root", "runtime", "systemdrive", "config" })
        QDir().mkpath(base + QLatin1Char('/') + QLatin1String(sub));
    set("ZENQ_ROOT", base + QStringLiteral("/root"));
    set("ZENQ_RUNTIME_DIR", base + QStringLiteral("/runtime"));
    set("ZENQ_SYSTEM_DRIVE", base + QStringLiteral("/systemdrive"));
    set("XDG_CONFIG_HOME", base + QStringLiteral("/config"));
}

TestEnvironment::~TestEnvironment()
{
    for (const auto &[name, saved] : m_saved) {
        if (saved.first)
            qputenv(name.constData(), saved.second);
        else
            qunsetenv(name.constData());
    }
}

void TestEnvironment::set(const char *name, const QString &value)
{
    if (!m_saved.count(name))
        m_saved[name] = { qEnvironmentVariableIsSet(name), qgetenv(name) };
    qputenv(name, value.toLocal8Bit());
}

QString zenqToolPath()
{
    return QStringLiteral(ZENQ_TOOL_PATH);
}

QString zenqConsolePath()
{
    return QStringLiteral(ZENQ_CONSOLE_PATH);
}

namespace {
std::map<std::string, ChildRole> &roles()
{
    static std::map<std::string, ChildRole> table;
    return table;
}
} // namespace

int registerChildRole(const char *role, ChildRole function)
{
    roles()[role] = function;
    return 0;
}

int runChildRole(int argc, char **argv)
{
    const auto found = roles().find(argv[2]);
    if (found == roles().end()) {
        std::fprintf(stderr, "unknown child role %s\n", argv[2]);
        return 2;
    }
    return found->second(argc, argv);
}

} // namespace zenqtest
