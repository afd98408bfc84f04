// Operator scripts played by the real program binary, headless, against the simulated
// controller in-process and over a pseudo-terminal.
#include "png.h"
#include "recfile.h"
#include "run_program.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

#define FIRMWARE "XVEL-ZUK1 SIM FW 1.07 2x1024px 19200Bd" // the simulator's firmware text

static std::string Tmp(const std::string &name) {
    return std::string(TEST_TMP_DIR) + "/" + name;
}

static std::string Slurp(const std::string &path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

static int CountLines(const std::string &path) {
    std::string text = Slurp(path);
    return int(std::count(text.begin(), text.end(), '\n'));
}

static std::string WriteScript(const std::string &name, const std::string &text) {
    std::string path = Tmp(name);
    std::ofstream(path) << text;
    return path;
}

static ProgramResult Play(const std::string &script, const std::string &port = "sim",
                          std::vector<std::string> extra = {}) {
    std::vector<std::string> argv{XVELZUK1_PATH, "--headless", "--com-only", "--com",
                                  "1=" + port,   "--play",     script};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return RunProgram(argv);
}

// Plays against an xvelzuk1-sim started with simArgs on a pseudo-terminal, named in *tty.
static ProgramResult PlayOverPty(const std::vector<std::string> &simArgs, const std::string &script,
                                 std::vector<std::string> extra = {}, std::string *tty = nullptr) {
    int pid = -1;
    std::string path = StartSimServer(simArgs, &pid);
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    ProgramResult r = Play(script, path, std::move(extra));
    StopSimServer(pid);
    if (tty) *tty = path;
    return r;
}

// The lines after a record file's header, each checked to be four whole numbers; the header is
// that of a recording without a pause, and the file ends with a whole line.
static std::vector<std::string> RecordLines(const std::string &text) {
    EXPECT_TRUE(!text.empty() && text.back() == '\n') << text.size() << " bytes, cut short";
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 0");
    std::vector<std::string> lines;
    while (std::getline(in, line)) {
        unsigned a, b, c, d;
        char rest;
        EXPECT_EQ(sscanf(line.c_str(), "%u\t%u\t%u\t%u%c", &a, &b, &c, &d, &rest), 4) << line;
        lines.push_back(line);
    }
    return lines;
}

// The examples against the simulator in-process; monitor.txt's Stop reaches the live loop from
// inside its own event processing, so no loop ends by a time-out.
TEST(Play, TheExamplesHoldAgainstTheSimulatorAndTheVerifyExampleNamesItsRunFolder) {
    for (std::string name : {"demo", "monitor", "provision", "verify"}) {
        ProgramResult r = Play(EXAMPLES_DIR "/" + name + ".txt", "sim", {"--verbose"});
        EXPECT_EQ(r.exitCode, 0) << name << r.errors;
        EXPECT_NE(r.errors.find("every expectation held"), std::string::npos) << r.errors;
        EXPECT_EQ(r.errors.find("Timeout RS232-Line!"), std::string::npos) << r.errors;
        if (name == "verify") {
            EXPECT_NE(r.errors.find("this run's files are in "), std::string::npos) << r.errors;
        }
    }
}

// Without GLib the toolkit dispatches with its own event loop, which takes one read notifier a
// descriptor: the port's own must be the only one.
TEST(Play, OverAPseudoTerminalTheLineWorksUnderTheToolkitsOwnEventDispatcherToo) {
    setenv("QT_NO_GLIB", "1", 1);
    ProgramResult r = PlayOverPty({}, EXAMPLES_DIR "/startup.txt");
    unsetenv("QT_NO_GLIB");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors.find("Multiple socket notifiers"), std::string::npos) << r.errors;
}

TEST(Play, TheExamplesHoldOverAPseudoTerminalAndFailOnASilentControllerOrOneAlteringAWrite) {
    std::string tty;
    ProgramResult r = PlayOverPty({}, EXAMPLES_DIR "/startup.txt", {"--trace", "--verbose"}, &tty);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.errors.find(tty + ": the driver has no low-latency mode"), std::string::npos);
    EXPECT_NE(r.errors.find("COM1 < 36: 00 55 00 05 00 AA"), std::string::npos) << r.errors;
    r = PlayOverPty({"--fault", "no-answer"}, EXAMPLES_DIR "/startup.txt",
                    {"--trace", "--verbose"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find(":2: expect-status " FIRMWARE ": found \"Timeout < 36 Bytes\""),
              std::string::npos)
        << r.errors;
    r = PlayOverPty({}, EXAMPLES_DIR "/provision.txt"); // a file stored in EEPROM and read back
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    r = PlayOverPty({"--fault", "bad-write"}, EXAMPLES_DIR "/verify.txt");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("verify.txt:13: expect-status Verify: EEPROM holds what was sent: "
                            "found \"Verify FAILED: 2 differ - REFERENCE-CHA, REFERENCE-CHB\""),
              std::string::npos)
        << r.errors;
}

// Each script is played to its first failure, which is all it prints; one that holds says so.
TEST(Play, AScriptStopsAtItsFirstFailureNamingFileLineAndWhatWasFound) {
    const char nul[] = "wait 0\nwait 0\0junk\n"; // a NUL once ended the line unseen
    const struct {
        std::string text;
        int exitCode;
        std::string message; // after the script's path
        bool com2 = false;   // COM2 mapped to a missing device, whose warning comes first
    } cases[] = {
        {"# start\nexpect-status " FIRMWARE "\nexpect NEDITrefA 999\nexpect-status never\n", 1,
         ":3: expect NEDITrefA 999: found 2048"},
        {"expect-status " FIRMWARE "\n", 0, ": 1 actions played, every expectation held", true},
        {"set DropDCom 2\nexpect-status Echo Check - Line Ok!\n", 1,
         ":2: expect-status Echo Check - Line Ok!: found \"No serial port found\"", true},
        {"press BTNRun\nwait 0.3\npress BTNRun\n", 1,
         ":3: press BTNRun: the control is dimmed, hidden or not a button"},
        {"set RBTFile 1\npress BTNGet\nwait 0.2\n", 1,
         ":2: press BTNGet: a file dialog opened without a dialog answer"},
        {"export-scan early.csv\n", 1,
         ":1: export-scan early.csv: not saved; the status line shows \"No scan to save: capture "
         "one first!\""},
        {"close main\npress BTNRun\n", 1, ": the program ended before the script (at line 2)"},
        {std::string(nul, sizeof nul - 1), 1, ":2: the line holds a NUL byte"},
        {"wait 0\nwait 0 junk\n", 1, ":2: wait 0 junk: unexpected 'junk'"},
        {"wait 0\nwait 0\n", 0, ": 2 actions played, every expectation held"},
        {"press \x1b[2J\n", 1, ":1: press \\e[2J: unknown control '\\e[2J'"}, // echoed escaped
    };
    for (const auto &c : cases) {
        std::string s = WriteScript("first-failure.txt", c.text);
        ProgramResult r = c.com2 ? Play(s, "sim", {"--com", "2=/nonexistent/ttyXVEL"}) : Play(s);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.text;
        size_t from = c.com2 ? std::min(r.errors.find(s), r.errors.size()) : 0;
        EXPECT_EQ(r.errors.substr(from), s + c.message + "\n");
    }
}

// The parser's own refusals are checked in test_script; here: the binary exits one with them
// and refuses before it opens a port.
TEST(Play, MalformedScriptsAreRefusedBeforeAnythingRuns) {
    const std::pair<const char *, const char *> cases[] = {
        {"jump BTNRun\n", ":1: jump BTNRun: unknown action 'jump'"},
        {"\n# ok\npress BTNNope\n", ":3: press BTNNope: unknown control 'BTNNope'"},
        {"set NEDITrefA ten\n", ":1: set NEDITrefA ten: expected a whole number, found 'ten'"},
        {"export-png GRAPHNope g.png\n", ":1: export-png GRAPHNope g.png: unknown control"},
    };
    for (auto [text, message] : cases) {
        std::string s = WriteScript("bad.txt", text);
        ProgramResult r = Play(s, "sim", {"--verbose"});
        EXPECT_EQ(r.exitCode, 1) << text;
        EXPECT_NE(r.errors.find(s + message), std::string::npos) << r.errors;
        EXPECT_EQ(r.errors.find("opened"), std::string::npos) << "the port was opened";
    }
}

// A directory read as a script once played "0 actions, every expectation held"; a named pipe
// would wait for a writer.
TEST(Play, AScriptThatIsNoRegularFileOrMissingIsRefusedNamingItWhileALinkToAScriptPlays) {
    const std::string fifo = Tmp("script.fifo");
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, const char *> cases[] = {
        {TEST_TMP_DIR, "a directory, not a regular file"},
        {fifo, "a named pipe, not a regular file"},
        {"/dev/null", "a character device, not a regular file"},
        {"/nonexistent/script.txt", "No such file or directory"}};
    for (const auto &[path, why] : cases) {
        ProgramResult r = Play(path);
        EXPECT_EQ(r.exitCode, 1) << path;
        EXPECT_EQ(r.errors, path + ": cannot read the script (" + why + ")\n");
    }
    std::filesystem::remove(fifo);
    std::string script = WriteScript("linked.txt", "expect-status " FIRMWARE "\n");
    const std::string link = Tmp("link.txt");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(script, link);
    ProgramResult r = Play(link);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors, link + ": 1 actions played, every expectation held\n");
}

// Echoed raw, a line's escape sequences retitled and cleared the operator's terminal.
TEST(Play, ControlCharactersOfAScriptLineAreEscapedWhereItIsEchoedAndAPlainLineIsNot) {
    const std::pair<std::string, std::string> cases[] = {
        {"expect-status \x1b]0;owned\x07\x1b[2J\tA\x7f\xc2\x9b\xc3\xa9",
         "expect-status \\e]0;owned\\x07\\e[2J\\tA\\x7f\\u009b\xc3\xa9"},
        {"expect-status never", "expect-status never"}};
    for (const auto &[line, shown] : cases) {
        std::string s = WriteScript("escape.txt", line + "\n");
        ProgramResult r = Play(s, "sim", {"--verbose"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.errors.find("] play 1: " + shown + "\n"), std::string::npos) << r.errors;
        EXPECT_NE(r.errors.find("\n" + s + ":1: " + shown + ": found \"" FIRMWARE "\"\n"),
                  std::string::npos)
            << r.errors;
        EXPECT_EQ(r.errors.find_first_of("\x1b\x07\x7f\t"), std::string::npos) << r.errors;
    }
}

// The live replies in a --trace log after the first line of the given text, as record lines.
static std::vector<std::string> TracedReplies(const std::string &log, const std::string &after) {
    std::vector<std::string> lines;
    size_t start = log.find(after);
    if (start == std::string::npos) return lines;
    std::istringstream in(log.substr(start));
    std::string line;
    while (std::getline(in, line)) {
        size_t at = line.find("COM1 < 36: 00 55 00 08 ");
        unsigned b[8]; // the payload's first four words, byte by byte
        if (at == std::string::npos ||
            sscanf(line.c_str() + at + 23, "%x %x %x %x %x %x %x %x", &b[0], &b[1], &b[2], &b[3],
                   &b[4], &b[5], &b[6], &b[7]) != 8)
            continue;
        lines.push_back(std::to_string(b[0] << 8 | b[1]) + "\t" + std::to_string(b[2] << 8 | b[3]) +
                        "\t" + std::to_string(b[4] << 8 | b[5]) + "\t" +
                        std::to_string(b[6] << 8 | b[7]));
    }
    return lines;
}

// The folder a run names at its end ("...: this run's files are in DIR"), or "".
static std::string RunFolderOf(const std::string &errors) {
    const std::string mark = "this run's files are in ";
    size_t at = errors.find(mark);
    if (at == std::string::npos) return "";
    at += mark.size();
    return errors.substr(at, errors.find('\n', at) - at);
}

// The recording example's file holds the live replies the controller sent, and the viewer
// draws the file and reads the same values from it. Two runs at once write files of their own.
TEST(Play, RecordingExampleWritesTheLiveValuesTheControllerSentAndTheViewerShowsThem) {
    const std::string tmp = Tmp("runs"), png = Tmp("viewed.png");
    std::filesystem::remove_all(tmp);
    std::filesystem::create_directories(tmp);
    std::remove(png.c_str());
    const std::string run = std::string("TMPDIR=") + tmp + " '" + XVELZUK1_PATH +
                            "' --headless --com-only --com 1=sim --play '" EXAMPLES_DIR
                            "/record.txt'";
    ProgramResult both =
        RunProgram({"/bin/sh", "-c",
                    run + " --trace --verbose 2>" + tmp + "/a.err & a=$!; " + run + " 2>" + tmp +
                        "/b.err; b=$?; wait $a; [ $? -eq 0 ] && [ $b -eq 0 ]"});
    std::string errA = Slurp(tmp + "/a.err"), errB = Slurp(tmp + "/b.err");
    ASSERT_EQ(both.exitCode, 0) << errA << errB;
    const std::string folder = RunFolderOf(errA), other = RunFolderOf(errB);
    EXPECT_EQ(folder.rfind(tmp + "/record-run.", 0), 0u) << errA;
    EXPECT_NE(folder, other);
    EXPECT_EQ(RecordLines(Slurp(other + "/record.dat")).size(), 10u);
    const std::string file = folder + "/record.dat";
    std::vector<std::string> recorded = RecordLines(Slurp(file));
    std::vector<std::string> sent = TracedReplies(errA, ": press BTNStartRecord");
    ASSERT_EQ(recorded.size(), 10u);
    ASSERT_GE(sent.size(), 10u);
    sent.resize(10);
    EXPECT_EQ(recorded, sent);
    ProgramResult view = RunProgram({XVELZUK1_PATH, "--view", file, "--png", png});
    EXPECT_EQ(view.exitCode, 0) << view.errors;
    EXPECT_EQ(view.errors, "");
    EXPECT_EQ(PngSize(png), std::make_pair(1200, 600));
    RecordData rec; // what the viewer read, against what the controller sent
    ASSERT_EQ(ReadRecord(file.c_str(), &rec), 0) << rec.message;
    ASSERT_EQ(rec.samples, 10);
    for (int i = 0; i < 10; i++) {
        std::string line;
        for (int c = 0; c < REC_COLUMNS; c++)
            line += (c ? "\t" : "") + std::to_string(rec.column[c][size_t(i)]);
        EXPECT_EQ(line, sent[size_t(i)]) << "line " << i + 2;
    }
}

// Killed in the middle of a recording, or stopped by a file-size limit (which ends the recording
// with its message rather than the program with the signal), the file ends with a whole line.
TEST(Play, ARecordFileEndsWithItsLastWholeLineWhenTheProgramIsKilledOrTheFileSizeLimitIsReached) {
    const std::string file = Tmp("killed.dat");
    std::remove(file.c_str());
    auto record = [&](const std::string &samples) {
        return "set NEDITRecTime 0\nset NEDITRecSamples " + samples + "\ndialog " + file +
               "\npress RecordFileNameBtn\npress BTNStartRecord\n";
    };
    std::string s = WriteScript("kill.txt", record("60000") + "wait 60\n");
    ProgramResult r =
        RunProgram({XVELZUK1_PATH, "--headless", "--com-only", "--com", "1=sim", "--play", s},
                   1.5); // SIGKILL after 1.5 s, in the middle of it
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_GT(RecordLines(Slurp(file)).size(), 5u);

    std::remove(file.c_str());
    s = WriteScript("limited.txt",
                    record("500") + "wait 5\nexpect-status Cannot write record file " + file +
                        "!\nexpect TXTPortHint " + file + ": the file size limit is reached\n");
    r = RunProgram({"/bin/bash", "-c",
                    "ulimit -f 1 && exec \"$0\" --headless --com-only --com 1=sim --play \"$1\"",
                    XVELZUK1_PATH, s});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    std::string text = Slurp(file);
    EXPECT_LE(text.size(), 1024u);
    EXPECT_GE(RecordLines(text).size(), 40u); // 1024 bytes hold the header and some 60 lines
}

TEST(Play, ScriptsExportTheScanAsCsvAndAnyChartAsPngBesideTheScript) {
    const std::string dir = Tmp("export");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string s = WriteScript(
        "export/export.txt", "set RNGGraphSource 1\npress BTNData\nwait 1\nexport-scan scan.csv\n"
                             "export-png GRAPHData graph.png\nexport-png STRIPNORM strip.png\n"
                             "export-png STRIPRAW raw.png\n");
    ProgramResult r = Play(s);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    std::string csv = Slurp(dir + "/scan.csv");
    EXPECT_EQ(csv.substr(0, 40), "index (view NORM A / B),channel A (norma");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 129); // the header and 128 rows
    for (const char *name : {"/graph.png", "/strip.png", "/raw.png"})
        EXPECT_EQ(PngSize(dir + name), std::make_pair(780, 432)) << name; // the graph's size
}

// An export right before an operator action: the picture shows what its own line found.
TEST(Play, AnExportedPictureShowsTheControlBeforeTheNextLineChangesIt) {
    const std::string dir = Tmp("grab");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string s = WriteScript("grab/grab.txt",
                                "export-png NEDITrefA start.png\nset NEDITrefA 1234\nwait 0.2\n"
                                "export-png NEDITrefA edited.png\nset NEDITrefA 2048\nwait 0.2\n"
                                "export-png NEDITrefA back.png\n");
    ProgramResult r = Play(s);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_TRUE(Slurp(dir + "/start.png") == Slurp(dir + "/back.png"));
    EXPECT_FALSE(Slurp(dir + "/edited.png") == Slurp(dir + "/back.png"));
}

// /dev/zero once kept the viewer reading forever, and a directory was drawn as an empty file. A
// bad record file is drawn as far as it is valid.
TEST(Play, TheViewerDrawsAValidPrefixAndRefusesWhatIsNoRegularFileOrMissingWithoutAnImage) {
    const std::string dat = Tmp("bad-record.dat"), png = Tmp("viewed-bad.png");
    std::ofstream(dat) << "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 1\n1\t2\t3\t4\nx\n";
    const struct {
        std::string file, errors;
        std::pair<int, int> picture;
    } cases[] = {{"/dev/zero",
                  "/dev/zero: cannot read the file (a character device, not a regular file)",
                  {0, 0}},
                 {dat,
                  dat + ": line 3 is not four numbers separated by tabs (1 bad line skipped)",
                  {1200, 600}},
                 {"/nonexistent/r.dat",
                  "/nonexistent/r.dat: cannot read the file (No such file or directory)",
                  {0, 0}}};
    for (const auto &c : cases) {
        std::remove(png.c_str());
        ProgramResult r = RunProgram({XVELZUK1_PATH, "--view", c.file, "--png", png}, 20);
        EXPECT_EQ(r.exitCode, 1) << c.file;
        EXPECT_EQ(r.errors, c.errors + "\n");
        EXPECT_EQ(PngSize(png), c.picture) << c.file;
    }
    ProgramResult r = RunProgram({XVELZUK1_PATH, "--png", png});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errors.rfind("xvelzuk1: --png needs --view FILE\nUsage: ", 0), 0u) << r.errors;
}

// Where records go by default: beside a copy of the program that is not installed, and in the
// user's data folder for the installed one (<prefix>/bin beside <prefix>/share/xvelzuk1), never
// in a system folder such as /usr/bin.
TEST(Play, TheDefaultRecordFileIsBesideACopyAndInTheUsersDataFolderWhenInstalled) {
    const std::string tmp = Tmp("layouts");
    std::filesystem::remove_all(tmp);
    std::filesystem::create_directories(tmp + "/prefix/bin");
    std::filesystem::create_directories(tmp + "/prefix/share/xvelzuk1");
    std::filesystem::create_directories(tmp + "/unpacked");
    const std::string record =
        WriteScript("layout.txt", "press TOGBTNparaII\nset NEDITRecTime 0\nset NEDITRecSamples 3\n"
                                  "press BTNStartRecord\nwait 1\nexpect NUMSampleCount 3\n");
    for (const std::string &program : {tmp + "/prefix/bin/xvelzuk1", tmp + "/unpacked/xvelzuk1"}) {
        std::filesystem::copy_file(XVELZUK1_PATH, program);
        ProgramResult r =
            RunProgram({"/usr/bin/env", "HOME=" + tmp + "/home", "XDG_DATA_HOME=" + tmp + "/data",
                        program, "--headless", "--com-only", "--com", "1=sim", "--play", record});
        EXPECT_EQ(r.exitCode, 0) << r.errors;
    }
    EXPECT_EQ(CountLines(tmp + "/data/xvelzuk1/XVelRecord.dat"), 4);
    EXPECT_EQ(CountLines(tmp + "/unpacked/XVelRecord.dat"), 4);
    EXPECT_FALSE(std::filesystem::exists(tmp + "/prefix/bin/XVelRecord.dat"));
}
