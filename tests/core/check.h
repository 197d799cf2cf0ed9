// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small test harness for the toolkit-free core, so the same tests build
// with any C++ compiler and run under Wine without Qt.

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace check {

struct TestCase
{
    const char *name;
    std::function<void()> body;
};

inline std::vector<TestCase> &registry()
{
    static std::vector<TestCase> tests;
    return tests;
}

struct Registrar
{
    Registrar(const char *name, std::function<void()> body)
    {
        registry().push_back({name, std::move(body)});
    }
};

struct Failure
{
    std::string message;
};

template <typename T> std::string show(const T &value)
{
    if constexpr (requires(std::ostream & os) { os << value; }) {
        std::ostringstream out;
        out << value;
        return out.str();
    } else {
        return "(value)";
    }
}

inline std::string show(const std::u16string &value)
{
    std::string out = "u\"";
    for (const char16_t c : value) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[12];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out + "\"";
}

[[noreturn]] inline void fail(const char *file, int line, const std::string &what)
{
    std::ostringstream out;
    out << file << ":" << line << ": " << what;
    throw Failure{out.str()};
}

// Runs every registered test, or those whose name contains argv[1].
inline int runAll(int argc, char **argv)
{
    const std::string filter = argc > 1 ? argv[1] : "";
    int passed = 0;
    int failed = 0;
    for (const auto &test : registry()) {
        if (!filter.empty() && std::string(test.name).find(filter) == std::string::npos)
            continue;
        try {
            test.body();
            ++passed;
            std::cout << "PASS   " << test.name << "\n";
        } catch (const Failure &f) {
            ++failed;
            std::cout << "FAIL   " << test.name << "\n       " << f.message << "\n";
        } catch (const std::exception &e) {
            ++failed;
            std::cout << "FAIL   " << test.name << "\n       unexpected exception: " << e.what()
                      << "\n";
        }
    }
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 && passed > 0 ? 0 : 1;
}

} // namespace check

#define CHECK_CAT2(a, b) a##b
#define CHECK_CAT(a, b) CHECK_CAT2(a, b)
#define TEST_CASE(name)                                                                            \
    static void CHECK_CAT(test_body_, __LINE__)();                                                 \
    static const check::Registrar CHECK_CAT(test_registrar_,                                       \
                                            __LINE__)(name, &CHECK_CAT(test_body_, __LINE__));     \
    static void CHECK_CAT(test_body_, __LINE__)()

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond))                                                                               \
            check::fail(__FILE__, __LINE__, "CHECK(" #cond ") is false");                          \
    } while (false)

// Copies both sides: `actual` may refer into a temporary.
#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        const auto check_a_ = (actual);                                                            \
        const auto check_e_ = (expected);                                                          \
        if (!(check_a_ == check_e_))                                                               \
            check::fail(__FILE__, __LINE__,                                                        \
                        "CHECK_EQ(" #actual ", " #expected "): " + check::show(check_a_) +         \
                            " != " + check::show(check_e_));                                       \
    } while (false)

// Passes when the statement throws an exception of the given type; gives
// the exception to the following block as `error`.
#define CHECK_THROWS(statement, type)                                                              \
    do {                                                                                           \
        bool check_threw_ = false;                                                                 \
        try {                                                                                      \
            statement;                                                                             \
        } catch (const type &) {                                                                   \
            check_threw_ = true;                                                                   \
        }                                                                                          \
        if (!check_threw_)                                                                         \
            check::fail(__FILE__, __LINE__, #statement " did not throw " #type);                   \
    } while (false)

#define CHECK_MAIN                                                                                 \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return check::runAll(argc, argv);                                                          \
    }
