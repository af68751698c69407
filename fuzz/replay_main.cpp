// Replays fuzz inputs without libFuzzer: every file named on the command line,
// and every file inside each directory named (sorted by name), is handed to
// the target's LLVMFuzzerTestOneInput once. Built with the normal compiler so
// committed corpora run as ordinary tests.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char **argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path p(argv[i]);
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            for (const auto &e : fs::directory_iterator(p))
                if (e.is_regular_file()) inputs.push_back(e.path());
        } else if (fs::is_regular_file(p, ec)) {
            inputs.push_back(p);
        } else {
            std::fprintf(stderr, "no such corpus: %s\n", argv[i]);
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path &p : inputs) {
        std::ifstream f(p, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        // A private heap copy, so reads past the end show up under a sanitizer.
        std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        copy.shrink_to_fit();
        LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
