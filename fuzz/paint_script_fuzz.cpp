// Fuzz target for the paint-script reader: any input must either parse or
// give an error with a line inside the file, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// The reader lives with the host program, outside the engine archive the
// fuzz builds link, so it is compiled into the target itself.
#include "apps/tessary/paint_script.cpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    tessary_host::PaintScript script;
    tessary_host::Diagnostic error;
    const bool ok = tessary_host::ParsePaintScript(text, script, error);
    if (!ok) {
        // An error names a line of the file (0 for the whole file) and says something.
        size_t lines = 0;
        for (char c : text) lines += c == '\n';
        if (error.line < 0 || static_cast<size_t>(error.line) > lines + 1 || error.message.empty()) abort();
    } else {
        for (const tessary_host::Command &c : script.commands)
            if (c.line < 1 || c.num.size() != c.text.size()) abort();
    }
    return 0;
}
