#include "cli.h"

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "paint_script.h"
#include "png_io.h"
#include "presets.h"
#include "replay.h"

#ifndef TSY_HOST_DATA_DIR
#define TSY_HOST_DATA_DIR "data"
#endif

namespace tessary_host {

namespace {

const char kUsage[] =
    "NAME\n"
    "    tessary - replay paint scripts with the tessary painting engine\n"
    "\n"
    "SYNOPSIS\n"
    "    tessary replay SCRIPT [--size WxH] [--background COLOR|IMAGE] [--seed N]\n"
    "                   [--brushes FILE] [--time] [--quiet] -o OUT.png\n"
    "    tessary --help\n"
    "    tessary --version\n"
    "\n"
    "DESCRIPTION\n"
    "    replay reads the paint script SCRIPT (the line-based format Lua filters\n"
    "    record: a header, then one keyword line per command followed by one line\n"
    "    per argument, ending with ScriptEnd), paints it on a new canvas with the\n"
    "    engine's brushes and writes the flattened picture as a PNG file.\n"
    "    docs/paint-scripts.md defines every command.\n"
    "\n"
    "    Commands whose engine side this host does not offer yet (Filter,\n"
    "    Flood Fill, Rectangle, the buffer commands, ...) are reported with their\n"
    "    line and skipped; the replay goes on.\n"
    "\n"
    "OPTIONS\n"
    "    -o, --output OUT.png\n"
    "        The picture to write (required).\n"
    "    --size WxH\n"
    "        Canvas size, 1 to 10000 each way. Default: the background image's\n"
    "        size, otherwise 800x600.\n"
    "    --background COLOR|IMAGE\n"
    "        The background layer: a colour (#rrggbb, r,g,b or one of white,\n"
    "        black, grey, red, green, blue, sky, paper) or a PNG image laid at the\n"
    "        top left over white. Default: white.\n"
    "    --seed N\n"
    "        Random seed for grain and colour variation, overriding the script's\n"
    "        RandomSeed.\n"
    "    --brushes FILE\n"
    "        Brush preset table. Default: data/brushes.txt of the source tree.\n"
    "    --time\n"
    "        Print the number of dabs, dabs per second and a hash of the picture\n"
    "        to standard error.\n"
    "    --quiet\n"
    "        Do not print warnings.\n"
    "    -h, --help\n"
    "        Show this text.\n"
    "\n"
    "    A progress indicator (percentage of commands) appears on standard\n"
    "    error when a replay takes more than a second and standard error is a\n"
    "    terminal.\n"
    "\n"
    "EXIT STATUS\n"
    "    0  the picture was written\n"
    "    1  the replay or writing the picture failed\n"
    "    2  the command line is wrong\n"
    "    3  the script or the preset table is malformed (the message names the\n"
    "       line)\n"
    "\n"
    "EXAMPLE\n"
    "    tessary replay examples/landscape.srp -o out/demo.png\n";

// Percentage of commands on stderr, shown only after the first second and
// only on a terminal.
struct Progress {
    FILE *err;
    bool enabled;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int shown = -1;

    void Update(double fraction) {
        if (!enabled) return;
        const int pct = static_cast<int>(fraction * 100);
        if (pct == shown) return;
        if (shown < 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) return;
        shown = pct;
        fprintf(err, "\rtessary: replaying... %3d%%", pct);
        fflush(err);
    }
    void Finish() {
        if (shown >= 0) fprintf(err, "\n");
        shown = -1;
    }
};

int UsageError(FILE *err, const std::string &message) {
    fprintf(err, "tessary: %s\nTry 'tessary --help' for more information.\n", message.c_str());
    return kExitUsage;
}

int Replay(int argc, const char *const *argv, FILE *err) {
    std::string script, output, brushes = std::string(TSY_HOST_DATA_DIR) + "/brushes.txt";
    ReplayOptions options;
    bool timing = false, quiet = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string &v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        std::string v;
        if (a == "-o" || a == "--output") {
            if (!value(output)) return UsageError(err, "option '" + a + "' needs a file name");
        } else if (a == "--size") {
            if (!value(v) || !ParseSize(v, options.width, options.height))
                return UsageError(err, "--size needs WxH with each side 1 to 10000 (for example 800x600)");
        } else if (a == "--background") {
            if (!value(v)) return UsageError(err, "--background needs a colour or an image file");
            if (ParseColor(v, options.background))
                options.hasBackgroundColor = true;
            else
                options.backgroundImage = v;
        } else if (a == "--seed") {
            long long s = 0;
            char extra = 0;
            if (!value(v) || sscanf(v.c_str(), "%lld%c", &s, &extra) != 1 || s < -2147483648LL || s > 4294967295LL)
                return UsageError(err, "--seed needs a whole number that fits 32 bits");
            options.hasSeed = true;
            options.seed = static_cast<int32_t>(static_cast<uint32_t>(s));
        } else if (a == "--brushes") {
            if (!value(brushes)) return UsageError(err, "--brushes needs a file name");
        } else if (a == "--time") {
            timing = true;
        } else if (a == "--quiet" || a == "-q") {
            quiet = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return UsageError(err, "unknown option '" + a + "'");
        } else if (script.empty()) {
            script = a;
        } else {
            return UsageError(err, "more than one script given ('" + script + "', '" + a + "')");
        }
    }
    if (script.empty()) return UsageError(err, "replay needs a script file");
    if (output.empty()) return UsageError(err, "replay needs an output file (-o OUT.png)");

    PresetTable presets;
    std::string why;
    if (!LoadPresets(brushes, presets, why)) {
        fprintf(err, "tessary: %s\n", why.c_str());
        return kExitScript;
    }
    PaintScript parsed;
    Diagnostic diag;
    if (!LoadPaintScript(script, parsed, diag)) {
        if (diag.line > 0)
            fprintf(err, "tessary: %s:%d: error: %s\n", script.c_str(), diag.line, diag.message.c_str());
        else
            fprintf(err, "tessary: %s: error: %s\n", script.c_str(), diag.message.c_str());
        return diag.line < 0 ? kExitFailure : kExitScript;
    }
    Progress progress{err, !quiet && isatty(fileno(err)) != 0};
    auto warn = [&](int line, const std::string &message) {
        if (quiet) return;
        progress.Finish();
        if (line > 0)
            fprintf(err, "tessary: %s:%d: warning: %s\n", script.c_str(), line, message.c_str());
        else
            fprintf(err, "tessary: %s: warning: %s\n", script.c_str(), message.c_str());
    };
    for (const Diagnostic &d : parsed.warnings) warn(d.line, d.message);
    ReplaySink sink;
    sink.warn = warn;
    sink.progress = [&](double f) { progress.Update(f); };
    Image8 picture;
    ReplayStats stats;
    const bool ok = tessary_host::Replay(parsed, presets, options, sink, picture, stats, why);
    progress.Finish();
    if (!ok) {
        fprintf(err, "tessary: %s\n", why.c_str());
        return kExitFailure;
    }
    if (timing) {
        // The picture's hash shows whether a faster build still paints the same.
        uint64_t hash = 1469598103934665603ull;
        for (uint8_t b : picture.rgba) hash = (hash ^ b) * 1099511628211ull;
        fprintf(err, "tessary: %ld commands, %ld strokes, %ld dabs in %.3f s (%.0f dabs/s), picture hash %016llx\n",
                stats.commands, stats.strokes, stats.dabs, stats.seconds,
                stats.seconds > 0 ? stats.dabs / stats.seconds : 0.0, static_cast<unsigned long long>(hash));
    }
    if (!WritePng(output, picture, why)) {
        fprintf(err, "tessary: %s: %s\n", output.c_str(), why.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int RunCli(int argc, const char *const *argv, FILE *out, FILE *err) {
    if (argc < 2) return UsageError(err, "no command given");
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        fputs(kUsage, out);
        return kExitOk;
    }
    if (cmd == "--version") {
        fprintf(out, "tessary %s\n", TSY_HOST_VERSION);
        return kExitOk;
    }
    if (cmd == "replay") return Replay(argc, argv, err);
    return UsageError(err, "unknown command '" + cmd + "'");
}

}  // namespace tessary_host
