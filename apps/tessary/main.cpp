// tessary: the reference host program. It drives the engine only through
// its public header and shared library.
#include <cstdio>

#include "cli.h"

int main(int argc, char **argv) { return tessary_host::RunCli(argc, argv, stdout, stderr); }
