#include "TestMain.h"
#include "support/TestEnvironment.h"

#ifdef ZENQ_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <QTest>

#include <cstdio>
#include <map>
#include <string>

namespace zenqtest {

namespace {
std::map<std::string, TestFactory> &registry()
{
    static std::map<std::string, TestFactory> classes;
    return classes;
}
} // namespace

int registerTestClass(const char *name, TestFactory factory)
{
    registry()[name] = std::move(factory);
    return 0;
}

} // namespace zenqtest

// A test executable may be started by its own tests as a peer process: "--child ROLE ARGS..." runs the
// registered child role instead of the tests.
int main(int argc, char **argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return zenqtest::runChildRole(argc, argv);

    TestApplication app(argc, argv);
    std::string only;
    std::vector<char *> args { argv[0] };
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--class" && i + 1 < argc)
            only = argv[++i];
        else
            args.push_back(argv[i]);
    }
    int failures = 0;
    for (auto &[name, factory] : zenqtest::registry()) {
        if (!only.empty() && only != name)
            continue;
        zenqtest::TestEnvironment environment; // every class gets a fresh, private installation
        auto test = factory();
        failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    std::printf("%s\n", failures == 0 ? "All test classes passed" : "Some test classes failed");
    return failures == 0 ? 0 : 1;
}
