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
    std::string path = std::string(TEST_TMP_DIR) + "/" + name;
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

TEST(Play, DemoExampleHoldsAgainstTheSimulator) {
    ProgramResult r = Play(EXAMPLES_DIR "/demo.txt");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.errors.find("every expectation held"), std::string::npos) << r.errors;
}

TEST(Play, FailingExpectationExitsOneNamingFileLineAndWhatWasFound) {
    std::string s = WriteScript("fail.txt", "# start\nexpect-status " FIRMWARE "\n"
                                            "expect NEDITrefA 999\nexpect-status never\n");
    ProgramResult r = Play(s);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find(s + ":3: expect NEDITrefA 999: found 2048"), std::string::npos)
        << r.errors;
    EXPECT_EQ(r.errors.find(":4:"), std::string::npos) << "nothing runs after a failure";
}

TEST(Play, StatusExpectationReportsTheTextFound) {
    std::string s = WriteScript("status.txt", "expect-status " FIRMWARE "\n");
    ProgramResult r = Play(s, "sim", {"--com", "2=/nonexistent/ttyXVEL"});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    s = WriteScript("status2.txt", "set DropDCom 2\nexpect-status Echo Check - Line Ok!\n");
    r = Play(s, "sim", {"--com", "2=/nonexistent/ttyXVEL"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find(":2: expect-status Echo Check - Line Ok!: found \"No serial port "
                            "found\""),
              std::string::npos)
        << r.errors;
}

TEST(Play, MalformedScriptsAreRefusedBeforeAnythingRuns) {
    const std::pair<const char *, const char *> cases[] = {
        {"jump BTNRun\n", ":1: jump BTNRun: unknown action 'jump'"},
        {"\n# ok\npress BTNNope\n", ":3: press BTNNope: unknown control 'BTNNope'"},
        {"set NEDITrefA ten\n", ":1: set NEDITrefA ten: expected a whole number, found 'ten'"},
        {"wait -1\n", ":1: wait -1: expected seconds, found '-1'"},
        {"close third\n", ":1: close third: expected main or second, found 'third'"},
        {"expect-dimmed BTNRun maybe\n",
         ":1: expect-dimmed BTNRun maybe: expected yes or no, found 'maybe'"},
        {"quit now\n", ":1: quit now: unexpected 'now'"},
        {"export-scan\n", ":1: export-scan: expected a file name"},
        {"export-png GRAPHData  \n", ":1: export-png GRAPHData: expected a file name"},
        {"export-png GRAPHNope g.png\n", ":1: export-png GRAPHNope g.png: unknown control"},
    };
    for (auto [text, message] : cases) {
        std::string s = WriteScript("bad.txt", text);
        ProgramResult r = Play(s, "sim", {"--verbose"});
        EXPECT_EQ(r.exitCode, 1) << text;
        EXPECT_NE(r.errors.find(s + message), std::string::npos) << r.errors;
        EXPECT_EQ(r.errors.find("opened"), std::string::npos) << "the port was opened";
    }
    ProgramResult r = Play("/nonexistent/script.txt");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("cannot read the script"), std::string::npos);
}

// A directory read as a script once played "0 actions, every expectation held"; a named pipe
// would wait for a writer.
TEST(Play, AScriptThatIsNoRegularFileIsRefusedNamingItWhileALinkToAScriptPlays) {
    const std::string fifo = std::string(TEST_TMP_DIR) + "/script.fifo";
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, const char *> cases[] = {
        {TEST_TMP_DIR, "a directory"}, {fifo, "a named pipe"}, {"/dev/null", "a character device"}};
    for (const auto &[path, kind] : cases) {
        ProgramResult r = Play(path);
        EXPECT_EQ(r.exitCode, 1) << path;
        EXPECT_EQ(r.errors, path + ": cannot read the script (" + kind + ", not a regular file)\n");
    }
    std::filesystem::remove(fifo);
    std::string script = WriteScript("linked.txt", "expect-status " FIRMWARE "\n");
    const std::string link = std::string(TEST_TMP_DIR) + "/link.txt";
    std::filesystem::remove(link);
    std::filesystem::create_symlink(script, link);
    ProgramResult r = Play(link);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors, link + ": 1 actions played, every expectation held\n");
}

// A NUL once ended the line unseen: "wait 0\0junk" played as "wait 0".
TEST(Play, AScriptHoldingANulByteIsRefusedNamingFileAndLineAndOneWithoutItPlays) {
    const char nul[] = "wait 0\nwait 0\0junk\n";
    std::string s = WriteScript("nul.txt", std::string(nul, sizeof nul - 1));
    ProgramResult r = Play(s);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errors, s + ":2: the line holds a NUL byte\n");
    s = WriteScript("nul.txt", "wait 0\nwait 0 junk\n");
    r = Play(s);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errors, s + ":2: wait 0 junk: unexpected 'junk'\n");
    s = WriteScript("nul.txt", "wait 0\nwait 0\n");
    r = Play(s);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors, s + ": 2 actions played, every expectation held\n");
}

// Echoed raw, a line's escape sequences retitled and cleared the operator's terminal.
TEST(Play, ControlCharactersOfAScriptLineAreEscapedWhereItIsEchoedAndAPlainLineIsNot) {
    std::string s =
        WriteScript("escape.txt", "expect-status \x1b]0;owned\x07\x1b[2J\tA\x7f\xc2\x9b\xc3\xa9\n");
    ProgramResult r = Play(s, "sim", {"--verbose"});
    EXPECT_EQ(r.exitCode, 1);
    const std::string shown = "expect-status \\e]0;owned\\x07\\e[2J\\tA\\x7f\\u009b\xc3\xa9";
    EXPECT_NE(r.errors.find("] play 1: " + shown + "\n"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("\n" + s + ":1: " + shown + ": found \"" FIRMWARE "\"\n"),
              std::string::npos)
        << r.errors;
    EXPECT_EQ(r.errors.find_first_of("\x1b\x07\x7f\t"), std::string::npos) << r.errors;
    s = WriteScript("escape.txt", "press \x1b[2J\n");
    r = Play(s);
    EXPECT_EQ(r.errors, s + ":1: press \\e[2J: unknown control '\\e[2J'\n");
    s = WriteScript("escape.txt", "expect-status never\n");
    r = Play(s, "sim", {"--verbose"});
    EXPECT_NE(r.errors.find("] play 1: expect-status never\n"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("\n" + s + ":1: expect-status never: found \"" FIRMWARE "\"\n"),
              std::string::npos)
        << r.errors;
}

TEST(Play, ProgramEndingBeforeTheScriptIsAFailure) {
    std::string s = WriteScript("dimmed.txt", "close main\npress BTNRun\n");
    ProgramResult r = Play(s);
    EXPECT_EQ(r.exitCode, 1) << "the program ended before the script" << r.errors;
}

TEST(Play, StartUpExampleHoldsOverAPseudoTerminalAndFailsOnTheStatusTextWhenItIsSilent) {
    for (bool silent : {false, true}) {
        int pid = -1;
        std::string tty = StartSimServer(silent ? std::vector<std::string>{"--fault", "no-answer"}
                                                : std::vector<std::string>{},
                                         &pid);
        ASSERT_EQ(tty.rfind("/dev/pts/", 0), 0u) << tty;
        ProgramResult r = Play(EXAMPLES_DIR "/startup.txt", tty, {"--trace", "--verbose"});
        StopSimServer(pid);
        if (silent) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_NE(r.errors.find(":2: expect-status " FIRMWARE ": found \"Timeout < 36 Bytes\""),
                      std::string::npos)
                << r.errors;
            continue;
        }
        EXPECT_EQ(r.exitCode, 0) << r.errors;
        EXPECT_NE(r.errors.find(tty + ": the driver has no low-latency mode"), std::string::npos);
        EXPECT_NE(r.errors.find("COM1 < 36: 00 55 00 05 00 AA"), std::string::npos) << r.errors;
    }
}

TEST(Play, ProvisioningExampleStoresAFileInEepromAndReadsItBack) {
    ProgramResult r = Play(EXAMPLES_DIR "/provision.txt");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    int pid = -1;
    std::string tty = StartSimServer({}, &pid);
    ASSERT_FALSE(tty.empty());
    r = Play(EXAMPLES_DIR "/provision.txt", tty);
    StopSimServer(pid);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
}

TEST(Play, TheVerifyExampleProvesAGoodControllerAndFailsLoudlyOnOneThatAltersAWrite) {
    ProgramResult r = Play(EXAMPLES_DIR "/verify.txt");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.errors.find("this run's files are in "), std::string::npos) << r.errors;
    int pid = -1;
    std::string tty = StartSimServer({"--fault", "bad-write"}, &pid);
    ASSERT_FALSE(tty.empty());
    r = Play(EXAMPLES_DIR "/verify.txt", tty);
    StopSimServer(pid);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("verify.txt:13: expect-status Verify: EEPROM holds what was sent: "
                            "found \"Verify FAILED: 2 differ - REFERENCE-CHA, REFERENCE-CHB\""),
              std::string::npos)
        << r.errors;
}

TEST(Play, AFileDialogWithoutAScriptedAnswerFailsTheScript) {
    std::string s = WriteScript("nodialog.txt", "set RBTFile 1\npress BTNGet\nwait 0.2\n");
    ProgramResult r = Play(s);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find(s + ":2: press BTNGet: a file dialog opened without a dialog answer"),
              std::string::npos)
        << r.errors;
}

TEST(Play, StopReachesTheLiveLoopFromInsideItsOwnEventProcessing) {
    ProgramResult r = Play(EXAMPLES_DIR "/monitor.txt", "sim", {"--verbose"});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors.find("Timeout RS232-Line!"), std::string::npos) << r.errors;
}

TEST(Play, ADimmedButtonCannotBePressed) {
    std::string s = WriteScript("dimmed.txt", "press BTNRun\nwait 0.3\npress BTNRun\n");
    ProgramResult r = Play(s);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find(s + ":3: press BTNRun: the control is dimmed, hidden or not a button"),
              std::string::npos)
        << r.errors;
}

// The live replies in a --trace log after the first line of the given text, as record lines.
static std::vector<std::string> TracedReplies(const std::string &log, const std::string &after) {
    std::vector<std::string> lines;
    size_t start = log.find(after);
    if (start == std::string::npos) return lines;
    std::istringstream in(log.substr(start));
    std::string line;
    while (std::getline(in, line)) {
        size_t at = line.find("COM1 < 36: ");
        if (at == std::string::npos || line.substr(at + 11, 11) != "00 55 00 08") continue;
        unsigned w[4];
        const char *p = line.c_str() + at + 11 + 12; // the payload's first word
        for (unsigned &v : w) {
            unsigned hi, lo;
            sscanf(p, "%x %x", &hi, &lo);
            v = hi << 8 | lo;
            p += 6;
        }
        lines.push_back(std::to_string(w[0]) + "\t" + std::to_string(w[1]) + "\t" +
                        std::to_string(w[2]) + "\t" + std::to_string(w[3]));
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
    const std::string tmp = std::string(TEST_TMP_DIR) + "/runs";
    std::filesystem::remove_all(tmp);
    std::filesystem::create_directories(tmp);
    const std::string png = std::string(TEST_TMP_DIR) + "/viewed.png";
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
    EXPECT_EQ(CountLines(other + "/record.dat"), 11);
    const std::string file = folder + "/record.dat";
    std::ifstream in(file);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 0");
    std::vector<std::string> recorded;
    for (std::string line; std::getline(in, line);)
        recorded.push_back(line);
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
        for (int c = 0; c < REC_COLUMNS; c++) {
            if (c) line += '\t';
            line += std::to_string(rec.column[c][size_t(i)]);
        }
        EXPECT_EQ(line, sent[size_t(i)]) << "line " << i + 2;
    }
}

TEST(Play, KillingTheProgramDuringARecordingLeavesOnlyCompleteLines) {
    const std::string file = std::string(TEST_TMP_DIR) + "/killed.dat";
    std::remove(file.c_str());
    std::string s = WriteScript("kill.txt", "set NEDITRecTime 0\nset NEDITRecSamples 60000\n"
                                            "dialog " +
                                                file +
                                                "\npress RecordFileNameBtn\n"
                                                "press BTNStartRecord\nwait 60\n");
    std::vector<std::string> argv{
        XVELZUK1_PATH, "--headless", "--com-only", "--com", "1=sim", "--play", s};
    ProgramResult r = RunProgram(argv, 1.5); // SIGKILL after 1.5 s, in the middle of it
    EXPECT_EQ(r.exitCode, -1);
    std::ifstream in(file, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back(), '\n');
    std::istringstream lines(all);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 0");
    int n = 0;
    while (std::getline(lines, line)) {
        unsigned a, b, c, d;
        char tail;
        EXPECT_EQ(sscanf(line.c_str(), "%u\t%u\t%u\t%u%c", &a, &b, &c, &d, &tail), 4) << line;
        n++;
    }
    EXPECT_GT(n, 5);
}

TEST(Play, ScriptsExportTheScanAsCsvAndAnyChartAsPngBesideTheScript) {
    const std::string dir = std::string(TEST_TMP_DIR) + "/export";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string s = WriteScript("export/export.txt", "export-scan early.csv\n");
    ProgramResult r = Play(s);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find(":1: export-scan early.csv: not saved; the status line shows \"No "
                            "scan to save: capture one first!\""),
              std::string::npos)
        << r.errors;
    s = WriteScript("export/export.txt", "set RNGGraphSource 1\npress BTNData\nwait 1\n"
                                         "export-scan scan.csv\nexport-png GRAPHData graph.png\n"
                                         "export-png STRIPNORM strip.png\n"
                                         "export-png STRIPRAW raw.png\n");
    r = Play(s);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    std::ifstream csv(dir + "/scan.csv");
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header.substr(0, 40), "index (view NORM A / B),channel A (norma");
    int rows = 0;
    for (std::string line; std::getline(csv, line);)
        rows++;
    EXPECT_EQ(rows, 128);
    EXPECT_EQ(PngSize(dir + "/graph.png"), std::make_pair(780, 432)); // the graph's size
    EXPECT_EQ(PngSize(dir + "/strip.png"), std::make_pair(780, 432));
    EXPECT_EQ(PngSize(dir + "/raw.png"), std::make_pair(780, 432));
}

// An export right before an operator action: the picture shows what its own line found.
TEST(Play, AnExportedPictureShowsTheControlBeforeTheNextLineChangesIt) {
    const std::string dir = std::string(TEST_TMP_DIR) + "/grab";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string s = WriteScript("grab/grab.txt", "export-png NEDITrefA start.png\n"
                                                 "set NEDITrefA 1234\nwait 0.2\n"
                                                 "export-png NEDITrefA edited.png\n"
                                                 "set NEDITrefA 2048\nwait 0.2\n"
                                                 "export-png NEDITrefA back.png\n");
    ProgramResult r = Play(s);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_TRUE(Slurp(dir + "/start.png") == Slurp(dir + "/back.png"));
    EXPECT_FALSE(Slurp(dir + "/edited.png") == Slurp(dir + "/back.png"));
}

// /dev/zero once kept the viewer reading forever, and a directory was drawn as an empty file.
TEST(Play, TheViewerRefusesWhatIsNoRegularFileAndWritesNoImage) {
    const std::string png = std::string(TEST_TMP_DIR) + "/refused.png";
    std::remove(png.c_str());
    ProgramResult r = RunProgram({XVELZUK1_PATH, "--view", "/dev/zero", "--png", png}, 20);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errors,
              "/dev/zero: cannot read the file (a character device, not a regular file)\n");
    EXPECT_EQ(PngSize(png), std::make_pair(0, 0));
}

TEST(Play, ABadRecordFileIsDrawnAsFarAsItIsValidAndExitsOneNamingTheLine) {
    const std::string dat = std::string(TEST_TMP_DIR) + "/bad-record.dat";
    const std::string png = std::string(TEST_TMP_DIR) + "/bad-record.png";
    std::ofstream(dat) << "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 1\n1\t2\t3\t4\nx\n";
    std::remove(png.c_str());
    ProgramResult r = RunProgram({XVELZUK1_PATH, "--view", dat, "--png", png});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errors, dat + ": line 3 is not four numbers separated by tabs (1 bad line "
                              "skipped)\n");
    EXPECT_EQ(PngSize(png), std::make_pair(1200, 600));
    std::remove(png.c_str());
    r = RunProgram({XVELZUK1_PATH, "--view", "/nonexistent/r.dat", "--png", png});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errors, "/nonexistent/r.dat: cannot read the file (No such file or directory)\n");
    EXPECT_EQ(PngSize(png), std::make_pair(0, 0));
    r = RunProgram({XVELZUK1_PATH, "--png", png});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.errors.find("--png needs --view FILE"), std::string::npos);
}

// Where records go by default: beside a copy of the program that is not installed, and in the
// user's data folder for the installed one (<prefix>/bin beside <prefix>/share/xvelzuk1), never
// in a system folder such as /usr/bin.
TEST(Play, TheDefaultRecordFileIsBesideACopyAndInTheUsersDataFolderWhenInstalled) {
    const std::string tmp = std::string(TEST_TMP_DIR) + "/layouts";
    std::filesystem::remove_all(tmp);
    std::filesystem::create_directories(tmp + "/prefix/bin");
    std::filesystem::create_directories(tmp + "/prefix/share/xvelzuk1");
    std::filesystem::create_directories(tmp + "/unpacked");
    const std::string record = WriteScript("layout.txt", "press TOGBTNparaII\n"
                                                         "set NEDITRecTime 0\n"
                                                         "set NEDITRecSamples 3\n"
                                                         "press BTNStartRecord\n"
                                                         "wait 1\n"
                                                         "expect NUMSampleCount 3\n");
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

// Under a file-size limit the recording ends with its message when a line no longer fits, and
// the file ends with its last whole line: nothing cut, the program not killed by the signal.
TEST(Play, UnderAFileSizeLimitTheRecordFileEndsWithItsLastWholeLine) {
    const std::string file = std::string(TEST_TMP_DIR) + "/limited.dat";
    std::remove(file.c_str());
    std::string s = WriteScript("limited.txt", "set NEDITRecTime 0\nset NEDITRecSamples 500\n"
                                               "dialog " +
                                                   file +
                                                   "\npress RecordFileNameBtn\n"
                                                   "press BTNStartRecord\nwait 5\n"
                                                   "expect-status Cannot write record file " +
                                                   file + "!\nexpect TXTPortHint " + file +
                                                   ": the file size limit is reached\n");
    ProgramResult r = RunProgram({"/bin/bash", "-c",
                                  "ulimit -f 1 && exec \"$0\" --headless --com-only --com 1=sim "
                                  "--play \"$1\"",
                                  XVELZUK1_PATH, s});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    std::string text = Slurp(file);
    EXPECT_LE(text.size(), 1024u);
    EXPECT_GT(CountLines(file), 40); // 1024 bytes hold the header and some 60 lines
    EXPECT_EQ(text.back(), '\n');
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        unsigned a, b, c, d;
        char rest;
        EXPECT_EQ(sscanf(line.c_str(), "%u\t%u\t%u\t%u%c", &a, &b, &c, &d, &rest), 4) << line;
    }
}
