// The paint-script reader: well-formed scripts, and malformed ones with the
// line their error names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paint_script.h"

using namespace tessary_host;

namespace {

std::string Lines(const std::vector<std::string> &lines, const char *end = "\r\n") {
    std::string s;
    for (const std::string &l : lines) s += l + end;
    return s;
}

const std::vector<std::string> kHeader = {"1554", "Description", "1", " ", "RandomSeed", "42"};

std::string Script(std::vector<std::string> body) {
    std::vector<std::string> all = kHeader;
    all.insert(all.end(), body.begin(), body.end());
    return Lines(all);
}

}  // namespace

TEST(PaintScriptReader, RecorderOutputOfOneStroke) {
    // The exact lines the recorder writes for open(42), stroke_start(1, 2),
    // stroke_pos(10, 20, 0.5), stroke_stop(), close().
    const std::string text =
        Script({"DrawStart", "1",           "2",  "-1", "SmoothPlot2", "0", "0",        "0",           "1",
                "0",         "SmoothPlot2", "10", "20", "0.5",         "0", "0",        "SmoothPlot2", "0",
                "0",         "0",           "0",  "1",  "DrawStop",    "1", "ScriptEnd"});
    PaintScript s;
    Diagnostic e;
    ASSERT_TRUE(ParsePaintScript(text, s, e)) << e.line << ": " << e.message;
    EXPECT_TRUE(s.hasSeed);
    EXPECT_EQ(s.seed, 42);
    EXPECT_TRUE(s.ended);
    ASSERT_EQ(s.description.size(), 1u);
    EXPECT_EQ(s.description[0], " ");
    ASSERT_EQ(s.commands.size(), 5u);
    EXPECT_EQ(s.commands[0].id, Cmd::DrawStart);
    EXPECT_EQ(s.commands[0].line, 7);  // six header lines come first
    EXPECT_EQ(s.commands[0].num, (std::vector<double>{1, 2, -1}));
    EXPECT_EQ(s.commands[2].id, Cmd::SmoothPlot2);
    EXPECT_EQ(s.commands[2].line, 17);
    EXPECT_EQ(s.commands[2].num, (std::vector<double>{10, 20, 0.5, 0, 0}));
    EXPECT_EQ(s.commands[4].id, Cmd::DrawStop);
    EXPECT_EQ(s.commands[4].line, 29);
    EXPECT_TRUE(s.warnings.empty());
}

TEST(PaintScriptReader, KeywordsWithSpacesTextArgumentsAndLfEndings) {
    const std::string text =
        Lines({"1554", "Description", "2",  "a landscape", "by hand", "RandomSeed", "7", "SetColorBanks",
               "warm", "12",          "25", "38",          "1",       "2",          "3", "4",
               "5",    "6",           "7",  "8",           "382",     "Flood Fill", "a", "b",
               "c",    "d",           "e",  "f",           "g",       "ScriptEnd"},
              "\n");
    PaintScript s;
    Diagnostic e;
    ASSERT_TRUE(ParsePaintScript(text, s, e)) << e.message;
    ASSERT_EQ(s.description.size(), 2u);
    ASSERT_EQ(s.commands.size(), 2u);
    EXPECT_EQ(s.commands[0].id, Cmd::SetColorBanks);
    EXPECT_EQ(s.commands[0].text[0], "warm");
    EXPECT_EQ(s.commands[0].num[12], 382);  // the recorder does not clamp
    EXPECT_EQ(s.commands[1].id, Cmd::FloodFill);
    EXPECT_FALSE(InfoOf(Cmd::FloodFill).supported);
    EXPECT_EQ(s.commands[1].text[6], "g");
}

TEST(PaintScriptReader, NumbersInLuaForm) {
    struct Case {
        const char *text;
        bool ok;
        double value;
    } cases[] = {
        {"10", true, 10},   {"0.5", true, 0.5}, {"-3", true, -3},  {"1e+15", true, 1e15}, {" 12 ", true, 12},
        {"+4", true, 4},    {"", false, 0},     {"abc", false, 0}, {"1.5x", false, 0},    {"inf", false, 0},
        {"-nan", false, 0}, {"--1", false, 0},  {"+", false, 0},   {"1 2", false, 0},     {"0x10", false, 0},
    };
    for (const Case &c : cases) {
        double v = -99;
        EXPECT_EQ(ParseNumber(c.text, v), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(PaintScriptReader, MissingScriptEndIsAWarningOnly) {
    // A filter run that ends without closing leaves no ScriptEnd.
    PaintScript s;
    Diagnostic e;
    ASSERT_TRUE(ParsePaintScript(Script({"MaskOn", "1", "MaskInvert"}), s, e));
    EXPECT_FALSE(s.ended);
    EXPECT_EQ(s.commands.size(), 2u);
    ASSERT_EQ(s.warnings.size(), 1u);
}

TEST(PaintScriptReader, TextAfterScriptEndIsIgnoredWithANote) {
    PaintScript s;
    Diagnostic e;
    ASSERT_TRUE(ParsePaintScript(Script({"ScriptEnd", "DrawStop", "1"}), s, e));
    EXPECT_TRUE(s.commands.empty());
    ASSERT_EQ(s.warnings.size(), 1u);
    EXPECT_EQ(s.warnings[0].line, 8);
}

TEST(PaintScriptReader, MalformedScriptsNameTheirLine) {
    struct Case {
        const char *name;
        std::string text;
        int line;
        const char *words;  // a piece of the message
    } cases[] = {
        {"empty file", "", 0, "empty"},
        {"no header", Lines({"DrawStart", "1", "2", "-1"}), 1, "1554"},
        {"no Description", Lines({"1554", "Describe"}), 2, "Description"},
        {"description count not a number", Lines({"1554", "Description", "x"}), 3, "whole number"},
        {"description longer than the file", Lines({"1554", "Description", "7", "one"}), 3, "7 lines"},
        {"missing argument", Script({"SetColor", "25", "51", "DrawStart", "1", "2", "-1"}), 10,
         "argument 3 is missing"},
        {"not a number", Script({"SetBrushSize", "big"}), 8, "must be a number"},
        {"truncated file", Script({"Spline", "1", "2", "3"}), 10, "ends after 3"},
        {"unknown command", Script({"Smudge", "1"}), 7, "unknown command 'Smudge'"},
        {"empty line", Script({"", "ScriptEnd"}), 7, "empty line"},
        {"infinite value", Script({"SetBrushOpacity", "inf"}), 8, "must be a number"},
        {"seed too large", Lines({"1554", "Description", "0", "RandomSeed", "99999999999"}), 5, "random seed"},
        {"seed with a fraction", Lines({"1554", "Description", "0", "RandomSeed", "1.5"}), 5, "random seed"},
        {"NUL byte", Script({"Dab", std::string("1\0", 2), "2", "1"}), 8, "NUL"},
    };
    for (const Case &c : cases) {
        PaintScript s;
        Diagnostic e;
        EXPECT_FALSE(ParsePaintScript(c.text, s, e)) << c.name;
        EXPECT_EQ(e.line, c.line) << c.name << ": " << e.message;
        EXPECT_NE(e.message.find(c.words), std::string::npos) << c.name << ": " << e.message;
    }
}

TEST(PaintScriptReader, TrailingBlankLinesAreHarmless) {
    PaintScript s;
    Diagnostic e;
    ASSERT_TRUE(ParsePaintScript(Script({"MaskClear"}) + "\r\n\r\n", s, e)) << e.message;
    EXPECT_EQ(s.commands.size(), 1u);
}

TEST(PaintScriptReader, SeedsAboveTwoToThe31WrapToThirtyTwoBits) {
    PaintScript s;
    Diagnostic e;
    ASSERT_TRUE(ParsePaintScript(Lines({"1554", "Description", "0", "RandomSeed", "4294967295"}), s, e)) << e.message;
    EXPECT_EQ(s.seed, -1);
}

TEST(PaintScriptReader, UnreadableFileIsAnIoError) {
    PaintScript s;
    Diagnostic e;
    EXPECT_FALSE(LoadPaintScript("/nonexistent/file.srp", s, e));
    EXPECT_EQ(e.line, -1);
}
