// The record file reader: good files, every kind of bad file with its message, reading in
// chunks, the envelope and the x axis. Plain C++, no panels.
#include "recfile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using Words = std::vector<int>;

static const std::string kHead = "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: ";

static Words Column(const RecordData &r, int c) {
    return Words(r.column[c].begin(), r.column[c].end());
}

static Words Lines(const RecordData &r) { // the file line of every sample
    Words lines;
    for (int64_t i = 0; i < r.samples; i++)
        lines.push_back(int(RecordLine(r, i)));
    return lines;
}

static int Parse(const std::string &text, RecordData &r) {
    return ParseRecord(text.data(), text.size(), "r.dat", &r);
}

TEST(RecordFile, AGoodFileGivesItsColumnsAndIntervalWithLfOrCrLfLineEnds) {
    for (const char *end : {"\n", "\r\n"}) {
        std::string e = end;
        RecordData r;
        EXPECT_EQ(Parse(kHead + "5" + e + "812\t790\t523\t498" + e + "0\t65535\t7\t1" + e, r), 0);
        EXPECT_STREQ(r.message, "");
        EXPECT_EQ(r.interval, 5);
        EXPECT_EQ(Column(r, 0), (Words{812, 0}));
        EXPECT_EQ(Column(r, 1), (Words{790, 65535}));
        EXPECT_EQ(Column(r, 3), (Words{498, 1}));
        EXPECT_EQ(Lines(r), (Words{2, 3}));
        EXPECT_EQ((std::vector<double>{RecordX(r, 0), RecordX(r, 1)}), (std::vector<double>{1, 2}));
    }
}

TEST(RecordFile, EachBadFileIsNamedByFileAndLineAndKeepsWhatIsValid) {
    const std::string h = kHead + "1\n";
    const struct {
        std::string text, message;
        Words a, lines;
    } cases[] = {
        {"", "r.dat: the file is empty", {}, {}},
        {"1\t2\t3\t4\n5\t6\t7\t8\n", "r.dat: line 1 is not a recorder header", {1, 5}, {1, 2}},
        {"garbage\n1\t2\t3\t4\n", "r.dat: line 1 is not a recorder header", {1}, {2}},
        {kHead + "70000\n1\t2\t3\t4\n", "r.dat: line 1 gives no interval 0..65535", {1}, {2}},
        {h + "1\t2\t3\t4\n5\t6\t7",
         "r.dat: line 3 is cut short (no line end) and not shown",
         {1},
         {2}},
        {kHead + "3", "r.dat: line 1 is cut short (no line end) and not shown", {}, {}},
        {h + "1\t2\t3\t4\nabc\n1 2 3 4\n\n9\t9\t9\t9\n1\t2\t3\n1\t2\t3\t4\t\n-1\t2\t3\t4\n",
         "r.dat: line 3 is not four numbers separated by tabs (6 bad lines skipped)",
         {1, 9},
         {2, 6}},
        {h + "1\t70000\t3\t4\n9\t9\t9\t9\n",
         "r.dat: line 2 holds a value above 65535 (1 bad line skipped)",
         {9},
         {3}},
        {"1\t2\t3\t4\n5\t6\t7\t8\nx\n9\t9\t9\t99999999999999",
         "r.dat: line 1 is not a recorder header\n"
         "r.dat: line 3 is not four numbers separated by tabs (1 bad line skipped)\n"
         "r.dat: line 4 is cut short (no line end) and not shown",
         {1, 5},
         {1, 2}},
    };
    for (const auto &c : cases) {
        RecordData r;
        EXPECT_EQ(Parse(c.text, r), 1) << c.text;
        EXPECT_EQ(r.message, c.message) << c.text;
        EXPECT_EQ(Column(r, 0), c.a) << c.text;
        EXPECT_EQ(Lines(r), c.lines) << c.text;
    }
}

TEST(RecordFile, LinesAfterSkippedOnesKeepTheirTimes) {
    RecordData r;
    Parse(kHead + "10\n1\t1\t1\t1\nbad\nbad\n2\t2\t2\t2\nbad\n3\t3\t3\t3\n", r);
    EXPECT_EQ((std::vector<double>{RecordX(r, 0), RecordX(r, 1), RecordX(r, 2)}),
              (std::vector<double>{1, 4, 6}));
    EXPECT_EQ((Words{int(RecordSampleAt(r, 2)), int(RecordSampleAt(r, 4)),
                     int(RecordSampleAt(r, 4.5)), int(RecordSampleAt(r, 7))}),
              (Words{1, 1, 2, 3}));
}

TEST(RecordFile, ReadingInChunksOfAnySizeGivesWhatParsingTheBytesGives) {
    std::string text = kHead + "2\r\n";
    for (int i = 0; i < 300; i++) {
        text += std::to_string(i) + "\t" + std::to_string(65535 - i) + "\t7\t" +
                std::to_string(i * 3) + (i % 2 ? "\r\n" : "\n");
        if (i % 37 == 0) text += std::string(80 + i % 5, '1') + "\n"; // longer than a line
        if (i % 41 == 0) text += std::string(65, '2') + "\r\r\n";     // long even without CR
        if (i % 53 == 0) text += "1\t2\t3\t" + std::string(56, '0') + "4\r\n"; // long but valid
    }
    text += "5\t5";
    const std::string path = std::string(TEST_TMP_DIR) + "/chunks.dat";
    std::ofstream(path, std::ios::binary) << text;
    RecordData whole;
    ASSERT_EQ(ParseRecord(text.data(), text.size(), path.c_str(), &whole), 1);
    for (size_t chunk : {size_t(1), size_t(7), size_t(64), size_t(1) << 20}) {
        RecordData r;
        EXPECT_EQ(ReadRecord(path.c_str(), &r, chunk), 1) << chunk;
        EXPECT_STREQ(r.message, whole.message) << chunk;
        for (int c = 0; c < REC_COLUMNS; c++)
            EXPECT_EQ(Column(r, c), Column(whole, c)) << chunk;
        EXPECT_EQ(Lines(r), Lines(whole)) << chunk;
    }
    EXPECT_EQ(whole.samples, 306);
    RecordData r;
    EXPECT_EQ(ReadRecord("/nonexistent/x.dat", &r), -1);
    EXPECT_STREQ(r.message, "/nonexistent/x.dat: cannot read the file (No such file or directory)");
}

// A directory once read as an empty file, /dev/zero never ended and a named pipe waits for a
// writer when opened: none of them is read.
TEST(RecordFile, OnlyARegularFileOrALinkToOneIsRead) {
    const std::string dir = std::string(TEST_TMP_DIR) + "/record-kinds";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_EQ(mkfifo((dir + "/pipe.dat").c_str(), 0600), 0);
    const std::pair<std::string, const char *> refused[] = {{dir, "a directory"},
                                                            {"/dev/zero", "a character device"},
                                                            {dir + "/pipe.dat", "a named pipe"}};
    for (const auto &[path, kind] : refused) {
        RecordData r;
        EXPECT_EQ(ReadRecord(path.c_str(), &r), -1) << path;
        EXPECT_EQ(r.message, path + ": cannot read the file (" + kind + ", not a regular file)");
        EXPECT_EQ(r.lines, 0);
    }
    std::ofstream(dir + "/r.dat") << kHead << "1\n1\t2\t3\t4\n";
    std::filesystem::create_symlink(dir + "/r.dat", dir + "/link.dat");
    RecordData r;
    EXPECT_EQ(ReadRecord((dir + "/link.dat").c_str(), &r), 0) << r.message;
    EXPECT_EQ(Column(r, 3), (Words{4}));
}

TEST(RecordFile, TheEnvelopeGivesLowestHighestFirstAndLastOfEveryPixelColumn) {
    RecordData r;
    Parse(kHead +
              "0\n5\t0\t0\t0\n1\t0\t0\t0\n9\t0\t0\t0\n3\t0\t0\t0\nbad\n7\t0\t0\t0\n2\t0\t0\t0\n",
          r);
    auto spans = [&r](double x0, double x1, int n) {
        std::vector<RecordSpan> s(static_cast<size_t>(n));
        RecordEnvelope(r, 0, x0, x1, n, s.data());
        std::vector<Words> out;
        for (const RecordSpan &p : s)
            out.push_back(p.any ? Words{p.lo, p.hi, p.first, p.last} : Words{});
        return out;
    };
    // x of the samples: 1 2 3 4 (5 skipped) 6 7
    EXPECT_EQ(spans(1, 7, 3), (std::vector<Words>{{1, 5, 5, 1}, {3, 9, 9, 3}, {7, 7, 7, 7}}));
    EXPECT_EQ(spans(1, 8, 1), (std::vector<Words>{{1, 9, 5, 2}}));
    EXPECT_EQ(spans(4, 6, 4), (std::vector<Words>{{3, 3, 3, 3}, {}, {}, {}}));
    EXPECT_EQ(spans(20, 30, 2), (std::vector<Words>{{}, {}}));
}

TEST(RecordFile, TheXAxisShowsTimesByTheIntervalOrRecordedLinesWithoutOne) {
    auto make = [](int interval, int n) {
        RecordData r;
        std::string text = kHead + std::to_string(interval) + "\n";
        for (int i = 0; i < n; i++)
            text += "1\t2\t3\t4\n";
        Parse(text, r);
        return r;
    };
    char t[32];
    RecordData zero = make(0, 5000);
    EXPECT_STREQ(RecordXTitle(zero), "recorded line");
    RecordXText(zero, 1200, t, sizeof t);
    EXPECT_STREQ(t, "1200");
    EXPECT_EQ(RecordXStep(zero, 5000, 8), 1000);
    RecordData five = make(5, 1000); // 5000 s
    EXPECT_STREQ(RecordXTitle(five), "time [h:mm:ss]");
    RecordXText(five, 745, t, sizeof t);
    EXPECT_STREQ(t, "1:02:05");
    EXPECT_EQ(RecordXStep(five, 1000, 8), 180); // 15 min
    RecordData one = make(1, 100);
    EXPECT_STREQ(RecordXTitle(one), "time [m:ss]");
    RecordXText(one, 100, t, sizeof t);
    EXPECT_STREQ(t, "1:40");
    EXPECT_STREQ(RecordXTitle(make(1, 59)), "time [s]");
}
