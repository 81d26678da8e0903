#pragma once
// Lets one test executable run several QtTest classes: each test file registers its class with
// ZENQ_TEST_CLASS, and the shared main runs them all (or those named by --class NAME).
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace zenqtest {

using TestFactory = std::function<std::unique_ptr<QObject>()>;
int registerTestClass(const char *name, TestFactory factory);

} // namespace zenqtest

#define ZENQ_TEST_CLASS(Class) \
    static const int zenqTestRegistered_##Class = \
        zenqtest::registerTestClass(#Class, [] { return std::unique_ptr<QObject>(new Class); })
