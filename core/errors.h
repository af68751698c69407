// The last-error text and the catch-all guard every export runs under.
#pragma once
#include <cstring>

// Copies at most 511 characters into the last-error text (always terminated).
// Every recorded failure passes through here: the one place for a breakpoint.
void SetLastErrorText(const char *text);

// Test hook: when set to a failure text, the guard with that text throws
// before running its body, so tests can reach every failure path.
extern const char *g_injectFailure;
void ThrowInjectedFailure();

// Runs the body under the catch-all guard. On any exception the failure text
// is recorded and the caller returns whatever result it had at that point.
#define TSY_GUARD(failText, ...)                                                                  \
    do {                                                                                          \
        try {                                                                                     \
            if (g_injectFailure != nullptr && std::strcmp(g_injectFailure, failText) == 0)        \
                ThrowInjectedFailure();                                                           \
            __VA_ARGS__;                                                                          \
        } catch (...) {                                                                           \
            SetLastErrorText(failText);                                                           \
        }                                                                                         \
    } while (0)
