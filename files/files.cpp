// Arrays of unsigned values written to and read from text files. Every write opens, writes and
// closes the file, and reports a failure.
#include "files.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

void (*plat::g_fileFaultLog)(const char *fault) = nullptr;

// ---- Writing --------------------------------------------------------------------------------

// The text of a write is made whole in memory first: a file receives one write, which either
// lands whole or is taken back.
static char g_text[1 << 16];

static int Store(const char *path, const char *data, size_t n, int action) {
    return action == VAL_APPEND ? plat::AppendFile(path, data, n)
                                : plat::ReplaceFile(path, data, n);
}

int ArrayToFile(const char *path, const unsigned *values, int count, int numGroups, int,
                int separator, int fieldWidth, int action) {
    if (!path || !path[0] || count < 0 || numGroups < 1 || count % numGroups) return -2;
    int perGroup = count / numGroups;
    size_t n = 0;
    for (int row = 0; row < perGroup; row++) {
        for (int g = 0; g < numGroups; g++) {
            unsigned v = values[g * perGroup + row];
            size_t room = sizeof g_text - n;
            int w = separator == VAL_SEP_BY_TAB ? snprintf(g_text + n, room, g ? "\t%u" : "%u", v)
                                                : snprintf(g_text + n, room, "%*u", fieldWidth, v);
            if (w < 0 || size_t(w) >= room) return -2; // more than one write can hold
            n += size_t(w);
        }
        if (n + 1 >= sizeof g_text) return -2;
        g_text[n++] = '\n';
    }
    return Store(path, g_text, n, action);
}

int ArrayToFile(const char *path, const char *bytes, int count, int action) {
    if (!path || !path[0] || count < 0) return -2;
    return Store(path, bytes, size_t(count), action);
}

// ---- Reading --------------------------------------------------------------------------------

static int SkipBlanks(FILE *f, int c, int *line) {
    while (c != EOF && isspace(c)) {
        *line += c == '\n';
        c = fgetc(f);
    }
    return c;
}

int FileToArray(const char *path, unsigned *values, int count, int *badLine,
                ArrayFileNotes *notes) {
    FILE *f = path ? plat::OpenRegularForRead(path) : nullptr;
    if (!f) return -1;
    if (notes) *notes = ArrayFileNotes{};
    int n = 0, line = 1, c = SkipBlanks(f, fgetc(f), &line);
    while (n < count && c != EOF) {
        unsigned v = 0; // kept modulo 2^32, so the low 16 bits of any length are right
        bool wide = false;
        while (c != EOF && !isspace(c)) {
            if (!isdigit(c)) {
                if (badLine) *badLine = line;
                fclose(f);
                return -3;
            }
            v = v * 10u + unsigned(c - '0');
            wide = wide || v > 0xFFFFu;
            c = fgetc(f);
        }
        values[n++] = v;
        if (notes && wide) notes->wide++;
        c = SkipBlanks(f, c, &line);
    }
    while (notes && c != EOF) { // what follows the numbers asked for is only counted
        notes->extra++;
        while (c != EOF && !isspace(c))
            c = fgetc(f);
        c = SkipBlanks(f, c, &line);
    }
    bool readError = ferror(f);
    fclose(f);
    if (readError) return -1;
    return n < count ? -2 : count;
}

// A folder is never deleted, even an empty one: only files and links go.
int CVI_DeleteFile(const char *path) {
    if (!path || !path[0]) return -1;
    std::error_code ec;
    auto st = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::exists(st)) return -1;
    if (std::filesystem::is_directory(st)) return -2;
    return std::filesystem::remove(path, ec) && !ec ? 0 : -2;
}
