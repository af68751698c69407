// The last-error text and the catch-all guard every export runs under.
#pragma once

// Copies at most 511 characters into the last-error text (always terminated).
// Every recorded failure passes through here: the one place for a breakpoint.
void SetLastErrorText(const char *text);

// Runs `body` under the catch-all guard. On any exception the failure text is
// recorded and the caller returns whatever result it had at that point.
#define TSY_GUARD(failText, ...)         \
    do {                                 \
        try {                            \
            __VA_ARGS__;                 \
        } catch (...) {                  \
            SetLastErrorText(failText);  \
        }                                \
    } while (0)
