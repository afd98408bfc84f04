// Files in a folder others can write: planted links, FIFOs and folders at the names the program
// writes, a file-size limit, and the mode of a replaced file.
#include "fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
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
        victim = dir + "/victim.txt";
        std::ofstream(victim) << "the victim's notes\n";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string At(const std::string &name) const { return dir + "/" + name; }
    // A link made by another user, as in a shared folder (needs root to give it away).
    bool ForeignLink(const std::string &target, const std::string &link) {
        if (symlink(target.c_str(), link.c_str()) != 0) return false;
        return geteuid() == 0 && lchown(link.c_str(), 65534, 65534) == 0;
    }
    static int Replace(const std::string &path, const std::string &text) {
        return ArrayToFile(path.c_str(), text.data(), int(text.size()), VAL_TRUNCATE);
    }
    static int Append(const std::string &path, const std::string &text) {
        return ArrayToFile(path.c_str(), text.data(), int(text.size()), VAL_APPEND);
    }
    int Temporaries() const { // hidden names in the folder: what a write left behind
        int n = 0;
        for (auto &e : fs::directory_iterator(dir))
            n += e.path().filename().string()[0] == '.';
        return n;
    }
};

TEST_F(Files, AReplacedFileKeepsItsModeAndNoPlantedTemporaryNameIsUsed) {
    std::string cfg = At("s2.cfg");
    std::ofstream(cfg) << "old\n";
    chmod(cfg.c_str(), 0600);
    ASSERT_EQ(symlink(victim.c_str(), (cfg + ".tmp~").c_str()), 0);
    ASSERT_EQ(mkfifo((cfg + ".tmp").c_str(), 0666), 0);
    EXPECT_EQ(Replace(cfg, "new\n"), 0);
    EXPECT_EQ(FileText(cfg), "new\n");
    struct stat st {};
    ASSERT_EQ(stat(cfg.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(FileText(victim), "the victim's notes\n");
    EXPECT_EQ(Temporaries(), 0);
    EXPECT_STREQ(LastFileFault(), "");
    // A new file gets the usual mode of new files.
    mode_t mask = umask(022);
    EXPECT_EQ(Replace(At("fresh.cfg"), "x\n"), 0);
    umask(mask);
    ASSERT_EQ(stat(At("fresh.cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(Files, OnlyRegularFilesAndLinksOfThisUserAreReplacedNeverAFolderFifoOrForeignLink) {
    ASSERT_EQ(mkfifo(At("fifo.cfg").c_str(), 0666), 0);
    fs::create_directories(At("folder.cfg"));
    EXPECT_EQ(Replace(At("fifo.cfg"), "x\n"), -1); // returns at once: nothing reads the FIFO
    EXPECT_EQ(LastFileFault(), At("fifo.cfg") + " is not a regular file");
    EXPECT_EQ(Replace(At("folder.cfg"), "x\n"), -1);
    EXPECT_EQ(LastFileFault(), At("folder.cfg") + " is not a regular file");
    EXPECT_TRUE(fs::is_directory(At("folder.cfg")));

    // This user's own link is followed: its target changes, the link stays.
    ASSERT_EQ(symlink("real.cfg", At("mine.cfg").c_str()), 0);
    std::ofstream(At("real.cfg")) << "old\n";
    EXPECT_EQ(Replace(At("mine.cfg"), "new\n"), 0);
    EXPECT_EQ(FileText(At("real.cfg")), "new\n");
    EXPECT_TRUE(fs::is_symlink(At("mine.cfg")));
    EXPECT_EQ(Temporaries(), 0);

    if (!ForeignLink(victim, At("planted.cfg"))) GTEST_SKIP() << "needs root to plant as another";
    EXPECT_EQ(Replace(At("planted.cfg"), "32 numbers\n"), -1);
    EXPECT_EQ(LastFileFault(),
              At("planted.cfg") + " is a symbolic link made by another user: not followed");
    EXPECT_EQ(FileText(victim), "the victim's notes\n");
}

TEST_F(Files, AppendsGoWholeToThisUsersRegularFileAndNeverThroughALinkOrIntoAFifo) {
    std::string rec = At("r.dat");
    EXPECT_EQ(Append(rec, "1\t2\t3\t4\n"), 0);
    EXPECT_EQ(Append(rec, "5\t6\t7\t8\n"), 0);
    EXPECT_EQ(FileText(rec), "1\t2\t3\t4\n5\t6\t7\t8\n");

    ASSERT_EQ(symlink(victim.c_str(), At("link.dat").c_str()), 0);
    EXPECT_EQ(Append(At("link.dat"), "1\n"), -1);
    EXPECT_EQ(LastFileFault(), At("link.dat") + " is a symbolic link: not followed");
    ASSERT_EQ(mkfifo(At("fifo.dat").c_str(), 0666), 0);
    EXPECT_EQ(Append(At("fifo.dat"), "1\n"), -1);
    EXPECT_EQ(LastFileFault(), At("fifo.dat") + " is not a regular file");
    EXPECT_EQ(FileText(victim), "the victim's notes\n");
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    ASSERT_EQ(chown(victim.c_str(), 65534, 65534), 0);
    EXPECT_EQ(Append(victim, "1\n"), -1);
    EXPECT_EQ(LastFileFault(), victim + " belongs to another user: not appended to");
    EXPECT_EQ(FileText(victim), "the victim's notes\n");
}

// ulimit -f: a line that crosses the limit is taken back whole; the file ends with its last
// whole line and the process lives on.
TEST_F(Files, ALineThatCannotBeWrittenWholeIsTakenBackUnderAFileSizeLimit) {
    std::string rec = At("limit.dat");
    std::string header = "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 0\n";
    ASSERT_EQ(Replace(rec, header), 0);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit low = old;
    low.rlim_cur = header.size() + 20; // room for one more line of 14 bytes, not two
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    int first = Append(rec, "812\t790\t523\t4\n");
    int second = Append(rec, "812\t790\t523\t4\n");
    std::string fault = LastFileFault();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(fault, rec + ": the file size limit is reached");
    EXPECT_EQ(FileText(rec), header + "812\t790\t523\t4\n");
}

TEST_F(Files, ReadingAFifoOrFolderFailsAtOnceAndDeletingNeverRemovesAFolder) {
    ASSERT_EQ(mkfifo(At("fifo.cfg").c_str(), 0666), 0);
    unsigned values[32];
    int bad = 0;
    EXPECT_EQ(FileToArray(At("fifo.cfg").c_str(), values, 32, &bad), -1);
    EXPECT_EQ(LastFileFault(), At("fifo.cfg") + " is not a regular file");
    fs::create_directories(At("empty"));
    EXPECT_EQ(CVI_DeleteFile(At("empty").c_str()), -2);
    EXPECT_TRUE(fs::is_directory(At("empty")));
    EXPECT_EQ(CVI_DeleteFile(At("fifo.cfg").c_str()), 0);
    EXPECT_EQ(CVI_DeleteFile(At("fifo.cfg").c_str()), -1);
}
