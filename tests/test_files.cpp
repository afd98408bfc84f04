// Files in a folder others can write, below what the panels show: the mode of a replaced file,
// links and folders at a replaced name, and appends that never go through a link or into a FIFO.
#include "fixture.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

class Files : public ::testing::Test {
  protected:
    std::string dir, victim;
    void SetUp() override {
        dir = std::string(TEST_TMP_DIR) + "/files-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        victim = At("victim.txt");
        std::ofstream(victim) << "the victim's notes\n";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string At(const std::string &name) const { return dir + "/" + name; }
    static int Write(const std::string &path, const std::string &text, int action) {
        return ArrayToFile(path.c_str(), text.data(), int(text.size()), action);
    }
    static unsigned Mode(const std::string &path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    int Temporaries() const { // hidden names in the folder: what a write left behind
        int n = 0;
        for (auto &e : fs::directory_iterator(dir))
            n += e.path().filename().string()[0] == '.';
        return n;
    }
};

TEST_F(Files, AReplacedFileKeepsItsModeAThisUsersLinkIsFollowedAndAFolderIsRefused) {
    std::ofstream(At("s2.cfg")) << "old\n";
    chmod(At("s2.cfg").c_str(), 0600);
    EXPECT_EQ(Write(At("s2.cfg"), "new\n", VAL_TRUNCATE), 0);
    EXPECT_EQ(FileText(At("s2.cfg")), "new\n");
    EXPECT_EQ(Mode(At("s2.cfg")), 0600u);
    mode_t mask = umask(022); // a new file gets the usual mode of new files
    EXPECT_EQ(Write(At("fresh.cfg"), "x\n", VAL_TRUNCATE), 0);
    umask(mask);
    EXPECT_EQ(Mode(At("fresh.cfg")), 0644u);

    std::ofstream(At("real.cfg")) << "old\n";
    ASSERT_EQ(symlink("real.cfg", At("mine.cfg").c_str()), 0);
    EXPECT_EQ(Write(At("mine.cfg"), "new\n", VAL_TRUNCATE), 0);
    EXPECT_EQ(FileText(At("real.cfg")), "new\n");
    EXPECT_TRUE(fs::is_symlink(At("mine.cfg")));
    EXPECT_EQ(Temporaries(), 0);

    fs::create_directories(At("folder.cfg"));
    EXPECT_EQ(Write(At("folder.cfg"), "x\n", VAL_TRUNCATE), -1);
    EXPECT_EQ(LastFileFault(), At("folder.cfg") + " is not a regular file");
    EXPECT_EQ(CVI_DeleteFile(At("folder.cfg").c_str()), -2); // nor is a folder ever deleted
    EXPECT_TRUE(fs::is_directory(At("folder.cfg")));
}

TEST_F(Files, AppendsGoWholeToThisUsersRegularFileAndNeverThroughALinkOrIntoAFifo) {
    EXPECT_EQ(Write(At("r.dat"), "1\t2\t3\t4\n", VAL_APPEND), 0);
    EXPECT_EQ(Write(At("r.dat"), "5\t6\t7\t8\n", VAL_APPEND), 0);
    EXPECT_EQ(FileText(At("r.dat")), "1\t2\t3\t4\n5\t6\t7\t8\n");

    ASSERT_EQ(symlink(victim.c_str(), At("link.dat").c_str()), 0);
    EXPECT_EQ(Write(At("link.dat"), "1\n", VAL_APPEND), -1);
    EXPECT_EQ(LastFileFault(), At("link.dat") + " is a symbolic link: not followed");
    ASSERT_EQ(mkfifo(At("fifo.dat").c_str(), 0666), 0);
    EXPECT_EQ(Write(At("fifo.dat"), "1\n", VAL_APPEND), -1);
    EXPECT_EQ(LastFileFault(), At("fifo.dat") + " is not a regular file");
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    ASSERT_EQ(chown(victim.c_str(), 65534, 65534), 0);
    EXPECT_EQ(Write(victim, "1\n", VAL_APPEND), -1);
    EXPECT_EQ(LastFileFault(), victim + " belongs to another user: not appended to");
    EXPECT_EQ(FileText(victim), "the victim's notes\n");
}
