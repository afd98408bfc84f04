// Inputs the fuzz targets in fuzz/ broke the program with, each kept as the case it was and the
// nearest input that was already handled right.
#include "fixture.h"
#include "script.h"

#include <string>

static bool Parse(const std::string &text, std::string *errors) {
    ::testing::internal::CaptureStderr();
    bool ok = ParseScriptText(text.data(), text.size(), "long.txt");
    *errors = ::testing::internal::GetCapturedStderr();
    return ok;
}

TEST(FuzzFindings, ScriptLineLongerThanTheReaderTakesIsRefusedInsteadOfPlayingItsTail) {
    std::string errors;
    // The tail of an overlong comment once passed for a line of its own and was played.
    EXPECT_FALSE(Parse("# " + std::string(1197, 'x') + "quit\npress BTNRun\n", &errors));
    EXPECT_EQ(g_nScript, 0);
    EXPECT_EQ(errors, "long.txt:1: line longer than 1198 characters\n");

    std::string longest = "# " + std::string(1196, 'x'); // 1198 characters
    ASSERT_TRUE(Parse(longest + "\r\npress BTNRun\n" + longest, &errors)) << errors;
    ASSERT_EQ(g_nScript, 1);
    EXPECT_EQ(g_script[0].line, 2);
    EXPECT_EQ(g_script[0].kind, ACT_PRESS);
    EXPECT_EQ(errors, "");
}
