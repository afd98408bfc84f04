// Fuzz target: loading a parameter file. A file loads whole, every variable from its number's
// low 16 bits, or not at all, with a message on the status line.
#include "XVELZUK1V15.h"
#include "com232.h"
#include "harness.h"
#include "testing.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

static uint16_t *const kVars[19] = {&powerA,   &refA,    &tolA,    &triglvlA, &hysteresis,
                                    &polarity, &hold,    &average, &hwmode,   &evalmode,
                                    &trigmode, &outmode, &anamode, &sdelay,   &maxmode,
                                    &powerB,   &refB,    &tolB,    &triglvlB};
// File element each variable comes from: words 1-15 of the set I frame, 1-4 of set II.
static const int kElement[19] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18, 19, 20};

static int g_fd = -1;
static char g_path[64]; // a .cfg name (the load dialog hands out no other) for the memory file

// The file's first 32 blank-separated words, each kept modulo 65536; false when fewer than 32
// words are there or one of them is not all digits.
static bool Expected(const uint8_t *data, size_t size, uint16_t *words) {
    size_t at = 0;
    for (int n = 0; n < PARA_FILE_VALUES; n++) {
        while (at < size && isspace(data[at]))
            at++;
        if (at == size) return false;
        unsigned v = 0;
        for (; at < size && !isspace(data[at]); at++) {
            if (!isdigit(data[at])) return false;
            v = (v * 10 + unsigned(data[at] - '0')) & 0xFFFF;
        }
        words[n] = uint16_t(v);
    }
    return true;
}

// --show, --diff and the compare window's File column read the same file: they take it exactly
// when the panels load it, with the same values in their caption order.
static void CheckSettingsReader(bool loads, const uint16_t *words) {
    Settings s;
    char why[400];
    bool read = ReadSettingsFile(g_path, &s, why, int(sizeof why)) == 0;
    if (read != loads)
        FuzzFail("the settings reader %s a file the panels %s", read ? "takes" : "refuses",
                 loads ? "load" : "refuse");
    for (int i = 0; read && i < SETTINGS_COUNT; i++)
        if (s.value[i] != words[16 * kSettings[i].set + kSettings[i].word])
            FuzzFail("setting %s is %u, the file holds %u", kSettings[i].caption, s.value[i],
                     words[16 * kSettings[i].set + kSettings[i].word]);
    FILE *sink = fopen("/dev/null", "w");
    if (sink && ShowSettingsFile(g_path, sink, sink) != (loads ? 0 : 2))
        FuzzFail("--show gives the wrong exit code for a file that %s",
                 loads ? "loads" : "is refused");
    if (sink) fclose(sink);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FuzzStartProgram(false);
    g_fd = memfd_create("parameter-file", 0);
    if (g_fd < 0) FuzzFail("no memory file");
    char target[32];
    snprintf(target, sizeof target, "/proc/self/fd/%d", g_fd);
    snprintf(g_path, sizeof g_path, "/dev/shm/xvelzuk1-fuzz-%d.cfg", int(getpid()));
    unlink(g_path);
    if (symlink(target, g_path) != 0) FuzzFail("cannot link %s", g_path);
    atexit([] { unlink(g_path); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (ftruncate(g_fd, 0) != 0 || pwrite(g_fd, data, size, 0) != ssize_t(size))
        FuzzFail("cannot write the memory file");
    for (int i = 0; i < 19; i++)
        *kVars[i] = uint16_t(0xA5A0 + i); // values no file of the test gives by chance
    SetCtrlVal(panelHandle, TXTStatus, "");
    QueueDialogAnswer(1, g_path);
    ReadParaFromFile();
    uint16_t words[PARA_FILE_VALUES];
    bool loads = Expected(data, size, words);
    char status[512] = "";
    GetCtrlVal(panelHandle, TXTStatus, status, int(sizeof status));
    for (int i = 0; i < 19; i++) {
        uint16_t want = loads ? words[kElement[i]] : uint16_t(0xA5A0 + i);
        if (*kVars[i] != want)
            FuzzFail("variable %d is %u, expected %u (file %s)", i, *kVars[i], want,
                     loads ? "loads" : "refused");
    }
    if (loads == (status[0] != '\0'))
        FuzzFail("status line \"%s\" after a file that %s", status, loads ? "loads" : "is refused");
    CheckSettingsReader(loads, words);
    return 0;
}
