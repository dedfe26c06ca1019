#include "TestHarness.h"

#include <iostream>

namespace check {

namespace {

struct Case
{
    const char *name;
    std::function<void()> body;
};

std::vector<Case> &cases()
{
    static std::vector<Case> all;
    return all;
}

std::vector<std::string> scopes;
int failures = 0;

} // namespace

void registerCase(const char *name, std::function<void()> body)
{
    cases().push_back({name, std::move(body)});
}

void fail(const std::string &message, const char *file, int line)
{
    ++failures;
    std::cerr << "  FAIL " << file << ":" << line << ": ";
    for (const std::string &scope : scopes)
        std::cerr << "[" << scope << "] ";
    std::cerr << message << "\n";
}

std::string printable(const std::string &bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        } else
            text.push_back(c);
    }
    return text;
}

Scope::Scope(std::string name)
{
    scopes.push_back(std::move(name));
}

Scope::~Scope()
{
    scopes.pop_back();
}

int runAll()
{
    int failedCases = 0;
    for (const Case &c : cases()) {
        const int before = failures;
        c.body();
        const bool passed = failures == before;
        failedCases += passed ? 0 : 1;
        std::cout << (passed ? "PASS   " : "FAIL!  ") << c.name << std::endl;
    }
    std::cout << "Totals: " << cases().size() - static_cast<std::size_t>(failedCases)
              << " passed, " << failedCases << " failed" << std::endl;
    return failedCases == 0 ? 0 : 1;
}

} // namespace check

int main()
{
    return check::runAll();
}
