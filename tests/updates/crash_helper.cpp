// Dies in the way its argument names, after installing the crash handlers, so tests can read the report it leaves.
#include "updates/diagnostics.h"

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string_view>

#include <sys/resource.h>

namespace {

volatile bool keepGoing = true;

int recurse(int depth)
{
    volatile char pad[1024];
    pad[0] = char(depth);
    if (!keepGoing)
        return pad[0];
    return recurse(depth + 1) + pad[0];
}

// Sanitizer builds would catch these first and exit instead of faulting.
[[gnu::no_sanitize("undefined")]] void writeThroughNull()
{
    volatile int *volatile nowhere = nullptr;
    *nowhere = 1;
}

[[gnu::no_sanitize("undefined")]] int divideByZero()
{
    // Both volatile: the compiler turns 1 / x into compares that never trap.
    volatile int numerator = 7;
    volatile int zero = 0;
    return numerator / zero;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    // Test runs leave no core files behind.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    // Twice, as a careless caller might: a second registration would make the terminate handler call itself.
    tovel::Diagnostics::install();
    tovel::Diagnostics::install();

    const std::string_view mode = argv[1];
    if (mode == "segv")
        writeThroughNull();
    else if (mode == "abort")
        std::abort();
    else if (mode == "fpe")
        return divideByZero();
    else if (mode == "stack")
        return recurse(0);
    else if (mode == "throw-int")
        throw 42;
    else if (mode.starts_with("throw"))
        throw std::runtime_error(mode == "throw" ? "disk on fire" : "");
    for (const auto &[name, number] : {std::pair{"trap", SIGTRAP}, std::pair{"bus", SIGBUS}, std::pair{"ill", SIGILL}})
        if (mode == name)
            std::raise(number);
    std::fputs("still alive\n", stderr);
    return 1;
}
