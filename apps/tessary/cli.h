// The command line of the tessary program, callable from tests.
#pragma once

#include <cstdio>

namespace tessary_host {

// Exit statuses.
enum ExitStatus {
    kExitOk = 0,
    kExitFailure = 1,  // the replay or the output failed
    kExitUsage = 2,    // bad command line
    kExitScript = 3,   // the script (or the preset file) is malformed
};

// Runs the program with its arguments; messages go to `out` and `err`.
int RunCli(int argc, const char *const *argv, FILE *out, FILE *err);

}  // namespace tessary_host
