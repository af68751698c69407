// Without libFuzzer: runs the fuzz target once on every file named on the
// command line or found in the folders named there, so a committed corpus
// replays as an ordinary test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int RunFile(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        fprintf(stderr, "cannot read %s\n", p.c_str());
        return 1;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return 0;
}

int main(int argc, char **argv) {
    int failures = 0, count = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto &e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file()) failures += RunFile(e.path()), ++count;
        } else {
            failures += RunFile(p), ++count;
        }
    }
    printf("%d inputs replayed\n", count);
    return failures ? 1 : 0;
}
