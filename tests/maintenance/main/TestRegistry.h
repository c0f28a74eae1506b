#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace zel::ui::test {

// Several Qt Test classes share one executable: each test file registers its class here and
// TestMain runs them all in turn.
using TestFactory = std::function<std::unique_ptr<QObject>()>;

std::vector<TestFactory>& RegisteredTests();

template <typename T> struct RegisterTest {
    RegisterTest()
    {
        RegisteredTests().push_back([] { return std::make_unique<T>(); });
    }
};

} // namespace zel::ui::test

#define ZEL_REGISTER_TEST(Class) static const zel::ui::test::RegisterTest<Class> zelRegister##Class
