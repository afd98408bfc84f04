// The operator-script reader on its own, without the toolkit: every action and its arguments,
// comments and line ends, each refusal with its message, the limits, and where file names lead.
#include "script.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr int kMain = 7, kSecond = 9; // panel resources of "close main" and "close second"

// Two controls on the main panel and one on the second.
int Lookup(const char *name, int *resource) {
    static const struct {
        const char *name;
        int resource, control;
    } kControls[] = {{"BTNRun", kMain, 11}, {"NEDITrefA", kMain, 12}, {"GRAPHData", kSecond, 21}};
    for (const auto &c : kControls)
        if (!strcmp(name, c.name)) {
            *resource = c.resource;
            return c.control;
        }
    return 0;
}

struct Read {
    bool ok;
    std::string errors; // what was printed on standard error
};

Read Parse(const std::string &text, const char *path = "s.txt") {
    testing::internal::CaptureStderr();
    bool ok = ParseScriptText(text.data(), text.size(), path);
    return {ok, testing::internal::GetCapturedStderr()};
}

std::string Repeat(const std::string &s, int times) {
    std::string out;
    for (int i = 0; i < times; i++)
        out += s;
    return out;
}

class ScriptReader : public testing::Test {
  protected:
    void SetUp() override { InstallScriptNames({Lookup, kMain, kSecond}); }
};

TEST_F(ScriptReader, EveryActionParsesIntoItsKindControlAndArguments) {
    const struct {
        const char *line;
        ActionKind kind;
        int resource, control, value;
        double seconds;
        const char *text;
    } cases[] = {
        {"press BTNRun", ACT_PRESS, kMain, 11, 0, 0, ""},
        {"key NEDITrefA", ACT_KEY, kMain, 12, 0, 0, ""},
        {"set NEDITrefA -2147483647", ACT_SET, kMain, 12, -2147483647, 0, ""},
        {"set NEDITrefA 2147483647", ACT_SET, kMain, 12, 2147483647, 0, ""},
        {"dialog data/p.par", ACT_DIALOG, 0, 0, 1, 0, "/play/data/p.par"},
        {"dialog /abs/p.par", ACT_DIALOG, 0, 0, 1, 0, "/abs/p.par"},
        {"dialog cancel", ACT_DIALOG, 0, 0, 0, 0, "cancel"},
        {"close main", ACT_CLOSE, kMain, 0, 0, 0, ""},
        {"close second", ACT_CLOSE, kSecond, 0, 0, 0, ""},
        {"wait 2.5", ACT_WAIT, 0, 0, 0, 2.5, ""},
        {"wait 0", ACT_WAIT, 0, 0, 0, 0, ""},
        {"wait 86400", ACT_WAIT, 0, 0, 0, 86400, ""},
        {"expect-status \"  Ready  \"", ACT_EXPECT_STATUS, 0, 0, 0, 0, "  Ready  "},
        {"expect-status   Ready  ", ACT_EXPECT_STATUS, 0, 0, 0, 0, "Ready"},
        {"expect-status", ACT_EXPECT_STATUS, 0, 0, 0, 0, ""},
        {"expect-status out.csv", ACT_EXPECT_STATUS, 0, 0, 0, 0, "out.csv"},
        {"expect NEDITrefA 12 mm", ACT_EXPECT, kMain, 12, 0, 0, "12 mm"},
        {"expect-dimmed BTNRun yes", ACT_EXPECT_DIMMED, kMain, 11, 1, 0, ""},
        {"expect-dimmed BTNRun no", ACT_EXPECT_DIMMED, kMain, 11, 0, 0, ""},
        {"expect-visible GRAPHData yes", ACT_EXPECT_VISIBLE, kSecond, 21, 1, 0, ""},
        {"export-scan out.csv", ACT_EXPORT_SCAN, 0, 0, 0, 0, "/play/out.csv"},
        {"export-scan $RUNX/a.csv", ACT_EXPORT_SCAN, 0, 0, 0, 0, "/play/$RUNX/a.csv"},
        {"export-png GRAPHData \"g 1.png\"", ACT_EXPORT_PNG, kSecond, 21, 0, 0, "/play/g 1.png"},
        {"compare", ACT_COMPARE, 0, 0, 0, 0, ""},
        {"expect-compare same", ACT_EXPECT_COMPARE, 0, 0, COMPARED_SAME, 0, ""},
        {"expect-compare unread", ACT_EXPECT_COMPARE, 0, 0, COMPARED_UNREAD, 0, ""},
        {"export-compare c.csv", ACT_EXPORT_COMPARE, 0, 0, 0, 0, "/play/c.csv"},
        {"quit", ACT_QUIT, 0, 0, 0, 0, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        Read r = Parse(std::string(c.line) + "\n", "/play/s.txt");
        ASSERT_TRUE(r.ok) << r.errors;
        EXPECT_EQ(r.errors, "");
        ASSERT_EQ(g_nScript, 1);
        const Action &a = g_script[0];
        EXPECT_EQ(a.line, 1);
        EXPECT_EQ(a.kind, c.kind);
        EXPECT_EQ(a.resource, c.resource);
        EXPECT_EQ(a.control, c.control);
        EXPECT_EQ(a.value, c.value);
        EXPECT_EQ(a.seconds, c.seconds);
        EXPECT_STREQ(a.text, c.text);
        std::string source = c.line; // as written, without its trailing blanks
        source.erase(source.find_last_not_of(' ') + 1);
        EXPECT_EQ(a.source, source);
    }
}

TEST_F(ScriptReader, CommentsBlankLinesAndCrLfAreSkippedWhileActionsKeepTheirLineNumbers) {
    Read r = Parse("# opening\r\n\r\n \t \npress BTNRun   # go\r\nwait 1\r\nquit", "s.txt");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.errors, "");
    ASSERT_EQ(g_nScript, 3);
    EXPECT_EQ(g_script[0].line, 4);
    EXPECT_STREQ(g_script[0].source, "press BTNRun");
    EXPECT_EQ(g_script[1].line, 5);
    EXPECT_EQ(g_script[1].seconds, 1);
    EXPECT_EQ(g_script[2].line, 6); // the last line needs no line end
    EXPECT_EQ(g_script[2].kind, ACT_QUIT);

    // Reading again starts from nothing: an empty text or one of comments holds no actions.
    for (const char *text : {"", "# only a comment\n\n"}) {
        r = Parse(text);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.errors, "");
        EXPECT_EQ(g_nScript, 0);
    }
}

TEST_F(ScriptReader, EachMalformedLineIsRefusedNamingFileLineAndReason) {
    const std::string longPath(260, 'a');
    const struct {
        std::string text, message;
    } cases[] = {
        {"jump BTNRun", "s.txt:1: jump BTNRun: unknown action 'jump'"},
        {"\n# ok\npress BTNNope", "s.txt:3: press BTNNope: unknown control 'BTNNope'"},
        {"press", "s.txt:1: press: unknown control ''"},
        {"press BTNRun twice", "s.txt:1: press BTNRun twice: unexpected 'twice'"},
        {"set NEDITrefA ten", "s.txt:1: set NEDITrefA ten: expected a whole number, found 'ten'"},
        {"set NEDITrefA 2147483648",
         "s.txt:1: set NEDITrefA 2147483648: expected a whole number, found '2147483648'"},
        {"set NEDITrefA", "s.txt:1: set NEDITrefA: expected a whole number, found ''"},
        {"dialog", "s.txt:1: dialog: expected a path or cancel"},
        {"export-scan", "s.txt:1: export-scan: expected a file name"},
        {"export-png GRAPHData  ", "s.txt:1: export-png GRAPHData: expected a file name"},
        {"export-png GRAPHNope g.png", "s.txt:1: export-png GRAPHNope g.png: unknown control "
                                       "'GRAPHNope'"},
        {"export-scan " + longPath,
         "s.txt:1: export-scan " + longPath + ": path longer than 259 characters"},
        {"close third", "s.txt:1: close third: expected main or second, found 'third'"},
        {"close", "s.txt:1: close: expected main or second, found ''"},
        {"wait -1", "s.txt:1: wait -1: expected seconds, found '-1'"},
        {"wait 86400.5", "s.txt:1: wait 86400.5: expected seconds, found '86400.5'"},
        {"wait nan", "s.txt:1: wait nan: expected seconds, found 'nan'"},
        {"wait 1s", "s.txt:1: wait 1s: expected seconds, found '1s'"},
        {"expect NEDITrefA", "s.txt:1: expect NEDITrefA: expected a value"},
        {"expect-dimmed BTNRun maybe",
         "s.txt:1: expect-dimmed BTNRun maybe: expected yes or no, found 'maybe'"},
        {"quit now", "s.txt:1: quit now: unexpected 'now'"},
        {"compare RAM", "s.txt:1: compare RAM: unexpected 'RAM'"},
        {"expect-compare equal",
         "s.txt:1: expect-compare equal: expected same, differ or unread, found 'equal'"},
        {"export-compare", "s.txt:1: export-compare: expected a file name"},
        {"wait 0\rquit", "s.txt:1: wait 0\\rquit: unexpected 'quit'"}, // echoed escaped
        {"wait 0\n" + std::string(1199, 'x'), "s.txt:2: line longer than 1198 characters"},
        {std::string("wait 0\nwait 0\0junk\n", 19), "s.txt:2: the line holds a NUL byte"},
        {Repeat("quit\n", 2001), "s.txt:2001: quit: more than 2000 actions"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        Read r = Parse(c.text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errors, c.message + "\n");
    }
}

TEST_F(ScriptReader, TheLongestLinePathAndScriptAreAccepted) {
    const std::string longestLine = "# " + std::string(1196, 'x'); // 1198 characters
    Read r = Parse(longestLine + "\r\n" + longestLine + "\nexport-scan " + std::string(259, 'a') +
                   "\n" + Repeat("quit\n", 1999) + "# after the last action\n");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.errors, "");
    ASSERT_EQ(g_nScript, 2000);
    EXPECT_EQ(g_script[0].line, 3);
    EXPECT_EQ(strlen(g_script[0].text), 259u);
    EXPECT_EQ(g_script[1999].line, 2002);
}

TEST_F(ScriptReader, WithoutInstalledNamesAControlIsUnknownWhileOtherActionsStillParse) {
    InstallScriptNames(ScriptNames{});
    Read r = Parse("wait 1\npress BTNRun\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "s.txt:2: press BTNRun: unknown control 'BTNRun'\n");

    r = Parse("wait 1\nclose main\nquit\n");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(g_nScript, 3);
}

// The run folder is made under $TMPDIR and named after the script.
TEST_F(ScriptReader, RunOpeningATextIsThisRunsOwnFolderWhichAReadFromMemoryRemovesAgain) {
    const char *old = getenv("TMPDIR");
    const std::string saved = old ? old : "";
    setenv("TMPDIR", TEST_TMP_DIR, 1);
    Read r = Parse("export-scan $RUN/out.csv\nexpect-status $RUN\nexpect-status $RUNNER\n",
                   "/play/s.txt");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.errors, "");
    ASSERT_EQ(g_nScript, 3);
    const std::string folder = g_script[1].text;
    const std::string prefix = std::string(TEST_TMP_DIR) + "/s-run.";
    EXPECT_EQ(folder.substr(0, prefix.size()), prefix);
    EXPECT_EQ(folder.size(), prefix.size() + 6);
    EXPECT_EQ(std::string(g_script[0].text), folder + "/out.csv");
    EXPECT_STREQ(g_script[2].text, "$RUNNER");
    EXPECT_FALSE(std::filesystem::exists(folder));

    setenv("TMPDIR", TEST_TMP_DIR "/no/such/folder", 1);
    r = Parse("export-scan $RUN/out.csv\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "s.txt:1: export-scan $RUN/out.csv: cannot make this run's folder for "
                        "$RUN: No such file or directory\n");
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST_F(ScriptReader, RelativeFileNamesAreTakenFromTheScriptsFolderAndABareScriptNameKeepsThem) {
    for (auto [path, expected] : {std::pair{"s.txt", "out.csv"},
                                  {"rel/dir/s.txt", "rel/dir/out.csv"},
                                  {"/s.txt", "/out.csv"}}) {
        Read r = Parse("export-scan out.csv\n", path);
        ASSERT_TRUE(r.ok) << r.errors;
        EXPECT_STREQ(g_script[0].text, expected) << path;
    }
    // Resolving can push a name over the limit.
    Read r = Parse("export-scan " + std::string(257, 'a') + "\n", "/d/s.txt");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "/d/s.txt:1: export-scan " + std::string(257, 'a') +
                            ": path longer than 259 characters\n");

    const std::string dir = std::string(TEST_TMP_DIR) + "/script_reader";
    std::filesystem::create_directories(dir);
    const std::string script = dir + "/s.txt";
    std::ofstream(script, std::ios::binary) << "export-scan out.csv\r\ndialog cancel\r\n";
    testing::internal::CaptureStderr();
    EXPECT_TRUE(LoadScript(script.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_STREQ(g_scriptPath, script.c_str());
    ASSERT_EQ(g_nScript, 2);
    EXPECT_EQ(std::string(g_script[0].text), dir + "/out.csv");
    EXPECT_STREQ(g_script[1].text, "cancel");

    const std::string missing = dir + "/none.txt";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadScript(missing.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              missing + ": cannot read the script (No such file or directory)\n");
    EXPECT_EQ(g_nScript, 0);
}

} // namespace
