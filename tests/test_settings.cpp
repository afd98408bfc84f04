// Parameter files read, shown and compared without the panels (--show, --diff): exact output
// lines, exit codes, and the messages for files that cannot be used.
#include "settings.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

static std::string TmpFile(const std::string &name, const std::string &text) {
    std::string path = std::string(TEST_TMP_DIR) + "/settings-" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// The start values' frames, as the program saves them, with some words changed.
static std::string Cfg(unsigned refA = 2048, unsigned trigmode = 0, unsigned triglvlB = 950) {
    const unsigned words[32] = {0,        500, refA, 512, 950, 20, 1,   100,  8,   1,       0,
                                trigmode, 0,   0,    500, 0,   1,  500, 2048, 512, triglvlB};
    std::string text;
    for (unsigned w : words)
        text += std::string(w < 10000 ? 5 - std::to_string(w).size() : 0, ' ') + std::to_string(w) +
                "\n";
    return text;
}

struct Output {
    int code;
    std::string out, err;
};

static Output Capture(int (*fn)(const char *, const char *, FILE *, FILE *), const char *a,
                      const char *b) {
    FILE *out = tmpfile(), *err = tmpfile();
    int code = fn(a, b, out, err);
    auto read = [](FILE *f) {
        std::string s;
        rewind(f);
        for (int c; (c = fgetc(f)) != EOF;)
            s += char(c);
        fclose(f);
        return s;
    };
    return {code, read(out), read(err)};
}

static int Show(const char *path, const char *, FILE *out, FILE *err) {
    return ShowSettingsFile(path, out, err);
}

TEST(SettingsFile, ShowPrintsEverySettingByCaptionWithTheModesInWords) {
    std::string good = TmpFile("good.cfg", Cfg(2048, 3));
    Output r = Capture(Show, good.c_str(), nullptr);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "POWER: CHANNEL A    500\n"
                     "POWER: CHANNEL B    500\n"
                     "REFERENCE-CHA      2048\n"
                     "REFERENCE-CHB      2048\n"
                     "TOLERANCE-CHA       512\n"
                     "TOLERANCE-CHB       512\n"
                     "HYSTERESIS           20\n"
                     "HW-MODE               1\n"
                     "MAX-MODE              0\n"
                     "AVERAGE               8\n"
                     "POLARITY              1\n"
                     "HOLD                100\n"
                     "EVALUATION-MODE       0 (NORM-A: A/Amax)\n"
                     "TRIGGER-LEVEL A     950\n"
                     "TRIGGER-LEVEL B     950\n"
                     "TRIGGER-MODE          3 (EXT-IN0-HIGH (cont.))\n"
                     "DELAY               500\n"
                     "SWITCH-OUT            0 ((+)->OUT0; (-)->OUT1)\n"
                     "ANALOG-OUT            0 (DIRECT 0 .. 10V)\n");
}

TEST(SettingsFile, DiffNamesEachDifferingSettingAndExitsOneButZeroForEqualSets) {
    std::string a = TmpFile("a.cfg", Cfg()), same = TmpFile("same.cfg", Cfg());
    std::string b = TmpFile("b.cfg", Cfg(2100, 1, 70000)); // 70000 loads as its low 16 bits
    Output equal = Capture(DiffSettingsFiles, a.c_str(), same.c_str());
    EXPECT_EQ(equal.code, 0);
    EXPECT_EQ(equal.out, "");
    Output differ = Capture(DiffSettingsFiles, a.c_str(), b.c_str());
    EXPECT_EQ(differ.code, 1);
    EXPECT_EQ(differ.out, "REFERENCE-CHA      2048   2100\n"
                          "TRIGGER-LEVEL B     950   4464\n"
                          "TRIGGER-MODE          0 (CONTINOUS)      1 (INTERN-CHA-scan128)\n");
}

TEST(SettingsFile, AFileThatCannotBeUsedIsNamedWithItsFaultAndExitsTwo) {
    std::string good = TmpFile("ok.cfg", Cfg());
    std::string shortFile = TmpFile("short.cfg", "0\n500\n");
    std::string text = TmpFile("text.cfg", "0\n500\nabc\n");
    std::string missing = std::string(TEST_TMP_DIR) + "/settings-none.cfg";
    const struct {
        std::string a, b, message;
    } cases[] = {
        {good, shortFile, shortFile + ": holds fewer than 32 numbers\n"},
        {text, good, text + ": line 3 is not an unsigned number\n"},
        {good, missing, missing + ": cannot be read (No such file or directory)\n"},
        {good, TEST_TMP_DIR, std::string(TEST_TMP_DIR) + ": cannot be read (not a regular file)\n"},
    };
    for (const auto &c : cases) {
        Output r = Capture(DiffSettingsFiles, c.a.c_str(), c.b.c_str());
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.message);
    }
    EXPECT_EQ(Capture(Show, shortFile.c_str(), nullptr).code, 2);
}

TEST(SettingsFile, OnlyShowWithOneFileAndDiffWithTwoAreCommands) {
    char prog[] = "p", show[] = "--show", diff[] = "--diff", view[] = "--view", f[] = "f";
    char *showNone[] = {prog, show}, *diffOne[] = {prog, diff, f}, *other[] = {prog, view, f};
    int code = -1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(SettingsCommand(2, showNone, &code), 1);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(SettingsCommand(3, diffOne, &code), 1);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "--show needs one parameter file and nothing else: --show FILE\n"
              "--diff needs two parameter files and nothing else: --diff A B\n");
    code = -1;
    EXPECT_EQ(SettingsCommand(3, other, &code), 0);
    EXPECT_EQ(code, -1);
}
