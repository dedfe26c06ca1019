// A minimal test harness for the plain C++ tests: registered cases, checks
// that report and count failures, a scope naming the row of a table.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace check {

void registerCase(const char *name, std::function<void()> body);
void fail(const std::string &message, const char *file, int line);
std::string printable(const std::string &bytes); // escapes control bytes
int runAll();

// Names the table row under test in failure messages while alive.
class Scope
{
public:
    explicit Scope(std::string name);
    ~Scope();
};

template<typename A, typename B>
bool equal(const A &actual, const B &expected, const char *text, const char *file, int line)
{
    if (actual == expected)
        return true;
    if constexpr (std::is_convertible_v<A, std::string> && std::is_convertible_v<B, std::string>)
        fail(std::string(text) + ": got \"" + printable(actual) + "\", expected \""
                 + printable(expected) + "\"", file, line);
    else
        fail(std::string(text) + ": got " + std::to_string(actual) + ", expected "
                 + std::to_string(expected), file, line);
    return false;
}

} // namespace check

#define TEST_CASE(name) \
    static void name(); \
    static const bool name##Registered = (check::registerCase(#name, name), true); \
    static void name()

#define CHECK(condition) \
    ((condition) ? true : (check::fail("CHECK(" #condition ") failed", __FILE__, __LINE__), false))

#define CHECK_EQ(actual, expected) \
    check::equal((actual), (expected), #actual, __FILE__, __LINE__)
