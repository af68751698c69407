// Replaying scripts on the engine, the command line, and the end-to-end
// comparison with a stored reference picture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli.h"
#include "engine_calls.h"
#include "paint_script.h"
#include "png_io.h"
#include "replay.h"

extern bool g_updateReference;

using namespace tessary_host;

namespace {

const std::vector<std::string> kHeader = {"1554", "Description", "1", " ", "RandomSeed", "42"};

std::string Script(const std::vector<std::string> &body) {
    std::string s;
    for (const std::string &l : kHeader) s += l + "\r\n";
    for (const std::string &l : body) s += l + "\r\n";
    return s + "ScriptEnd\r\n";
}

struct Outcome {
    Image8 picture;
    std::vector<std::pair<int, std::string>> warnings;
    ReplayStats stats;
    bool ok = false;
    std::string error;

    const uint8_t *At(int x, int y) const { return &picture.rgba[(static_cast<size_t>(y) * picture.width + x) * 4]; }
    bool Warned(int line, const std::string &words) const {
        for (const auto &w : warnings)
            if (w.first == line && w.second.find(words) != std::string::npos) return true;
        return false;
    }
    bool MissingEngine() const {
        for (const auto &w : warnings)
            if (w.second.find("this build of the engine has no") != std::string::npos) return true;
        return false;
    }
};

PresetTable ShippedPresets() {
    PresetTable t;
    std::string error;
    EXPECT_TRUE(LoadPresets(std::string(TSY_HOST_DATA_DIR) + "/brushes.txt", t, error)) << error;
    return t;
}

Outcome Replay(const std::string &text, ReplayOptions options = {}) {
    Outcome r;
    PaintScript script;
    Diagnostic d;
    EXPECT_TRUE(ParsePaintScript(text, script, d)) << d.line << ": " << d.message;
    ReplaySink sink;
    sink.warn = [&](int line, const std::string &m) { r.warnings.emplace_back(line, m); };
    r.ok = tessary_host::Replay(script, ShippedPresets(), options, sink, r.picture, r.stats, r.error);
    return r;
}

ReplayOptions Size(int w, int h) {
    ReplayOptions o;
    o.width = w;
    o.height = h;
    return o;
}

#define SKIP_WITHOUT_ENGINE(run)                                         \
    if ((run).MissingEngine())                                           \
    GTEST_SKIP() << "the engine this host is built against lacks calls " \
                    "this test needs"

void ExpectPixel(const Outcome &r, int x, int y, int red, int green, int blue, int tolerance = 0) {
    const uint8_t *p = r.At(x, y);
    EXPECT_NEAR(p[0], red, tolerance) << "(" << x << ", " << y << ")";
    EXPECT_NEAR(p[1], green, tolerance) << "(" << x << ", " << y << ")";
    EXPECT_NEAR(p[2], blue, tolerance) << "(" << x << ", " << y << ")";
}

}  // namespace

TEST(Replay, EmptyScriptGivesTheBackground) {
    ReplayOptions o = Size(6, 4);
    o.hasBackgroundColor = true;
    o.background[0] = 0x10, o.background[1] = 0x20, o.background[2] = 0x30;
    Outcome r = Replay(Script({}), o);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.picture.width, 6);
    ASSERT_EQ(r.picture.height, 4);
    // Background colours widen by x 256 and narrow by the high byte: exact.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) ExpectPixel(r, x, y, 0x10, 0x20, 0x30);
}

TEST(Replay, BackgroundImageSetsTheCanvasSize) {
    Image8 img;
    img.width = 3;
    img.height = 2;
    img.rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 9, 9, 255, 50, 60, 70, 255, 1, 2, 3, 0};
    const std::string path = ::testing::TempDir() + "tessary_background.png";
    std::string error;
    ASSERT_TRUE(WritePng(path, img, error)) << error;
    ReplayOptions o;
    o.backgroundImage = path;
    Outcome r = Replay(Script({}), o);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.picture.width, 3);
    ASSERT_EQ(r.picture.height, 2);
    ExpectPixel(r, 0, 0, 255, 0, 0);
    ExpectPixel(r, 1, 1, 50, 60, 70);
    ExpectPixel(r, 2, 1, 255, 255, 255);  // a transparent image pixel shows the white under it
    remove(path.c_str());
}

TEST(Replay, MissingBackgroundImageIsAnError) {
    ReplayOptions o;
    o.backgroundImage = "/nonexistent/background.png";
    Outcome r = Replay(Script({}), o);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("/nonexistent/background.png"), std::string::npos);
}

TEST(Replay, UnsupportedCommandsWarnWithTheirLineAndTheReplayGoesOn) {
    std::vector<std::string> body = {"Rectangle", "1", "2", "3", "4", "5", "6", "7", "8", "Flood Fill"};
    for (int i = 0; i < 7; ++i) body.push_back("0");
    body.insert(body.end(), {"SetColor", "0", "0", "0", "FillPage"});
    Outcome r = Replay(Script(body), Size(8, 8));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.Warned(7, "'Rectangle' is not supported"));
    EXPECT_TRUE(r.Warned(16, "'Flood Fill' is not supported"));
    SKIP_WITHOUT_ENGINE(r);
    ExpectPixel(r, 4, 4, 0, 0, 0);  // the fill after them happened
}

TEST(Replay, RepeatedWarningsAreSummarised) {
    std::vector<std::string> body;
    for (int i = 0; i < 6; ++i) body.insert(body.end(), {"DrawStop", "1"});
    Outcome r = Replay(Script(body), Size(4, 4));
    ASSERT_TRUE(r.ok);
    int about = 0;
    for (const auto &w : r.warnings)
        if (w.second.find("DrawStop") != std::string::npos) ++about;
    EXPECT_EQ(about, 4);  // three warnings and the note that more are not shown
}

TEST(Replay, FillPageThroughARectangularSelection) {
    Outcome r = Replay(Script({"MaskRectangle", "2", "1", "6", "3", "0", "SetColor", "200", "100", "50", "FillPage"}),
                       Size(8, 5));
    ASSERT_TRUE(r.ok);
    SKIP_WITHOUT_ENGINE(r);
    // Pixel centres x + 0.5 in [2, 6) and y + 0.5 in [1, 3): columns 2..5, rows 1..2.
    // The fill's alpha is 255 x 256 = 65280, so the white background may show by one step.
    ExpectPixel(r, 2, 1, 200, 100, 50, 1);
    ExpectPixel(r, 5, 2, 200, 100, 50, 1);
    ExpectPixel(r, 1, 1, 255, 255, 255);
    ExpectPixel(r, 6, 2, 255, 255, 255);
    ExpectPixel(r, 3, 0, 255, 255, 255);
    ExpectPixel(r, 3, 3, 255, 255, 255);
}

TEST(Replay, MaskInvertAndMaskOff) {
    // Select a rectangle, invert: the fill lands outside it. Then with the mask
    // off a second fill covers everything.
    Outcome r = Replay(
        Script({"MaskRectangle", "0", "0", "2", "2", "0", "MaskInvert", "SetColor", "0", "0", "255", "FillPage"}),
        Size(4, 4));
    ASSERT_TRUE(r.ok);
    SKIP_WITHOUT_ENGINE(r);
    ExpectPixel(r, 0, 0, 255, 255, 255);
    ExpectPixel(r, 3, 3, 0, 0, 255, 1);
    Outcome off = Replay(
        Script({"MaskRectangle", "0", "0", "2", "2", "0", "MaskOn", "0", "SetColor", "0", "0", "255", "FillPage"}),
        Size(4, 4));
    ExpectPixel(off, 3, 3, 0, 0, 255, 1);
    ExpectPixel(off, 0, 0, 0, 0, 255, 1);
}

TEST(Replay, HardDabPaintsTheExactColour) {
    // Hard round preset at size 5, full pressure: a disc of full coverage
    // around (10, 10); plain paint of an opaque colour onto a transparent
    // paint layer keeps the colour exactly.
    Outcome r = Replay(Script({"SelectBrush", "1", "5", "0", "SetColor", "255", "0", "0", "Dab", "10", "10", "1"}),
                       Size(20, 20));
    ASSERT_TRUE(r.ok);
    SKIP_WITHOUT_ENGINE(r);
    EXPECT_EQ(r.stats.dabs, 1);
    ExpectPixel(r, 10, 10, 255, 0, 0);
    ExpectPixel(r, 0, 0, 255, 255, 255);
    ExpectPixel(r, 15, 10, 255, 255, 255);
}

TEST(Replay, StrokeMarkersAreNotPositions) {
    // The recorder's start and end markers hold (0, 0); they must not pull the
    // stroke to the corner.
    Outcome r = Replay(
        Script({"SelectBrush", "1", "3", "0", "SetColor", "0", "0",           "0",  "DrawStart", "20", "10", "-1",
                "SmoothPlot2", "0", "0", "0", "1",        "0", "SmoothPlot2", "30", "10",        "1",  "0",  "0",
                "SmoothPlot2", "0", "0", "0", "0",        "1", "DrawStop",    "1"}),
        Size(40, 20));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.stats.strokes, 1);
    EXPECT_GT(r.stats.dabs, 5);  // 10 pixels at a spacing of max(1, 0.15 x 3) = 1
    SKIP_WITHOUT_ENGINE(r);
    ExpectPixel(r, 25, 10, 0, 0, 0);
    ExpectPixel(r, 1, 1, 255, 255, 255);
    ExpectPixel(r, 10, 10, 255, 255, 255);
}

TEST(Replay, ZeroPressureLeavesNoMark) {
    Outcome r = Replay(Script({"SelectBrush", "1", "8", "0", "Dab", "5", "5", "0"}), Size(10, 10));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.stats.dabs, 0);
}

TEST(Replay, EraserShowsTheBackground) {
    Outcome r =
        Replay(Script({"SetColor", "0", "0", "0", "FillPage", "SelectBrush", "6", "6", "0", "Dab", "10", "10", "1"}),
               Size(20, 20));
    ASSERT_TRUE(r.ok);
    SKIP_WITHOUT_ENGINE(r);
    ExpectPixel(r, 10, 10, 255, 255, 255, 1);
    ExpectPixel(r, 2, 2, 0, 0, 0, 1);
}

TEST(Replay, OddCommandsWarnAndNeverCrash) {
    Outcome r = Replay(Script({"SelectBrush", "99",     "0",   "0", "SmoothPlot2",
                               "5",           "5",      "1",   "0", "0",
                               "SetColor",    "1",      "2",   "3", "MaskRectangle",
                               "0",           "0",      "4",   "4", "7",
                               "Spline",      "-50",    "-40", "3", "4",
                               "1e+15",       "-1e+15", "1",   "1", "DrawStart",
                               "1",           "1",      "-1"}),
                       Size(16, 16));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.Warned(7, "no brush preset 99"));
    EXPECT_TRUE(r.Warned(11, "without 'DrawStart'"));
    EXPECT_TRUE(r.Warned(17, "inside the stroke"));
    EXPECT_TRUE(r.Warned(21, "mode must be 0, 1 or 2"));
    EXPECT_TRUE(r.Warned(36, "has no 'DrawStop'"));
}

TEST(CommandLine, HelpUsageAndExitStatuses) {
    struct Case {
        const char *name;
        std::vector<const char *> args;
        int status;
        const char *words;  // expected in stdout (help) or stderr
    } cases[] = {
        {"help", {"--help"}, kExitOk, "SYNOPSIS"},
        {"no command", {}, kExitUsage, "no command"},
        {"unknown command", {"paint"}, kExitUsage, "unknown command 'paint'"},
        {"no script", {"replay", "-o", "x.png"}, kExitUsage, "needs a script"},
        {"no output", {"replay", "a.srp"}, kExitUsage, "-o OUT.png"},
        {"bad size", {"replay", "a.srp", "--size", "12", "-o", "x.png"}, kExitUsage, "WxH"},
        {"bad seed", {"replay", "a.srp", "--seed", "1.5", "-o", "x.png"}, kExitUsage, "--seed"},
        {"unknown option", {"replay", "a.srp", "--fast", "-o", "x.png"}, kExitUsage, "unknown option '--fast'"},
        {"two scripts", {"replay", "a.srp", "b.srp", "-o", "x.png"}, kExitUsage, "more than one script"},
        {"option without value", {"replay", "a.srp", "-o"}, kExitUsage, "needs a file name"},
        {"missing script file", {"replay", "/nonexistent/a.srp", "-o", "/tmp/x.png"}, kExitFailure, "cannot open"},
        {"malformed script",
         {"replay", TSY_HOST_SOURCE_DIR "/fuzz/corpus/paint_script/missing_argument.srp", "-o", "/tmp/x.png"},
         kExitScript,
         "missing_argument.srp:10: error: 'SetColor' (line 7) needs 3 arguments"},
        {"bad preset file",
         {"replay", TSY_HOST_SOURCE_DIR "/fuzz/corpus/paint_script/good.srp", "--brushes", "/nonexistent/b.txt", "-o",
          "/tmp/x.png"},
         kExitScript,
         "cannot open the preset file"},
    };
    for (const Case &c : cases) {
        std::vector<const char *> argv = {"tessary"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        FILE *out = tmpfile(), *err = tmpfile();
        ASSERT_TRUE(out && err);
        const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
        EXPECT_EQ(status, c.status) << c.name;
        std::string text;
        for (FILE *f : {out, err}) {
            rewind(f);
            char buf[4096];
            size_t n;
            while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
            fclose(f);
        }
        EXPECT_NE(text.find(c.words), std::string::npos) << c.name << ":\n" << text;
    }
}

TEST(CommandLine, ReplayWritesThePictureAndNoProgressOffATerminal) {
    const std::string out = ::testing::TempDir() + "tessary_cli_out.png";
    remove(out.c_str());
    const char *argv[] = {"tessary", "replay",   TSY_HOST_SOURCE_DIR "/fuzz/corpus/paint_script/good.srp",
                          "--size",  "64x48",    "--background",
                          "paper",   "--seed",   "3",
                          "-o",      out.c_str()};
    FILE *err = tmpfile();
    ASSERT_EQ(RunCli(11, argv, stdout, err), kExitOk);
    rewind(err);
    std::string text(4096, '\0');
    text.resize(fread(text.data(), 1, text.size(), err));
    fclose(err);
    EXPECT_EQ(text.find('%'), std::string::npos) << text;  // no progress indicator in a file
    Image8 img;
    std::string error;
    ASSERT_TRUE(ReadPng(out, img, error)) << error;
    EXPECT_EQ(img.width, 64);
    EXPECT_EQ(img.height, 48);
    remove(out.c_str());
}

// The end-to-end check: a small script using several presets, a masked area
// and a smudge, replayed and compared with the stored picture pixel for pixel.
// After a deliberate change of the engine's output, regenerate the picture
// with `tessary_app_tests --gtest_filter=EndToEnd.* --update-reference`.
TEST(EndToEnd, SmallLandscapeMatchesTheReferencePicture) {
    const std::string dir = TSY_HOST_TEST_DATA;
    PaintScript script;
    Diagnostic d;
    ASSERT_TRUE(LoadPaintScript(dir + "/small_landscape.srp", script, d)) << d.line << ": " << d.message;
    ReplayOptions o = Size(96, 64);
    Image8 picture;
    ReplayStats stats;
    std::string error;
    std::vector<std::string> warnings;
    ReplaySink sink;
    sink.warn = [&](int line, const std::string &m) { warnings.push_back(std::to_string(line) + ": " + m); };
    ASSERT_TRUE(tessary_host::Replay(script, ShippedPresets(), o, sink, picture, stats, error)) << error;
    for (const std::string &w : warnings)
        if (w.find("this build of the engine has no") != std::string::npos) GTEST_SKIP() << w;
    EXPECT_GT(stats.dabs, 100);

    const std::string refPath = dir + "/small_landscape_reference.png";
    if (g_updateReference) {
        ASSERT_TRUE(WritePng(refPath, picture, error)) << error;
        GTEST_SKIP() << "reference rewritten: " << refPath;
    }
    Image8 ref;
    ASSERT_TRUE(ReadPng(refPath, ref, error)) << refPath << ": " << error;
    ASSERT_EQ(ref.width, picture.width);
    ASSERT_EQ(ref.height, picture.height);
    long differing = 0;
    for (size_t i = 0; i < ref.rgba.size(); i += 4)
        for (int c = 0; c < 4; ++c)
            if (ref.rgba[i + c] != picture.rgba[i + c]) {
                if (differing++ < 5) {
                    const size_t px = i / 4;
                    ADD_FAILURE() << "pixel (" << px % ref.width << ", " << px / ref.width << ") channel " << c
                                  << ": reference " << int(ref.rgba[i + c]) << ", replay " << int(picture.rgba[i + c]);
                }
            }
    EXPECT_EQ(differing, 0);
}
