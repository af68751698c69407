// Test program of the tessary host. `--update-reference` makes the
// end-to-end test rewrite its reference picture instead of comparing with it;
// use it only on purpose, after a deliberate change of the engine's output.
#include <gtest/gtest.h>

#include <cstring>

bool g_updateReference = false;

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], "--update-reference") == 0) g_updateReference = true;
    return RUN_ALL_TESTS();
}
