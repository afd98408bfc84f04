// The program's own folder on Linux: where /proc/self/exe points, before the toolkit starts.
#include "runtime.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int GetProjectDir(char *dir) {
    char exe[MAX_PATHNAME_LEN * 4];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        snprintf(dir, MAX_PATHNAME_LEN, ".");
        return -1;
    }
    exe[n] = '\0';
    char *slash = strrchr(exe, '/');
    if (slash) *slash = '\0';
    size_t len = strlen(exe);
    if (len >= size_t(MAX_PATHNAME_LEN)) { // too long for the program's path buffers
        snprintf(dir, MAX_PATHNAME_LEN, ".");
        return -1;
    }
    memcpy(dir, exe, len + 1);
    return 0;
}
