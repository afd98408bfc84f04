// Text from outside the program (script lines, texts a device sent) on standard error, with its
// control characters escaped so that none of it retitles, clears or drives the terminal.
#include "files.h"

#include <cstdarg>
#include <cstdio>

// The short escapes of the controls that have one.
static char ShortEscape(unsigned char c) {
    switch (c) {
    case '\t': return 't';
    case '\r': return 'r';
    case '\n': return 'n';
    case 0x1B: return 'e';
    default: return '\0';
    }
}

// Tab, CR and LF as \t \r \n, ESC as \e, other C0 controls and DEL as \xHH, and the C1 controls
// U+0080..U+009F (which terminals also obey) as \uHHHH; all else, UTF-8 included, unchanged.
void plat::EscapeControls(const char *in, char *out, size_t size) {
    if (size == 0) return;
    size_t n = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(in); *p; p++) {
        char piece[8] = {char(*p), '\0'};
        if (*p == 0xC2 && p[1] >= 0x80 && p[1] <= 0x9F)
            snprintf(piece, sizeof piece, "\\u%04x", *++p);
        else if (ShortEscape(*p))
            snprintf(piece, sizeof piece, "\\%c", ShortEscape(*p));
        else if (*p < 0x20 || *p == 0x7F)
            snprintf(piece, sizeof piece, "\\x%02x", *p);
        for (const char *q = piece; *q && n + 1 < size; q++)
            out[n++] = *q;
    }
    out[n] = '\0';
}

void plat::EchoLineV(const char *prefix, const char *fmt, va_list ap) {
    char line[2400], shown[4 * sizeof line];
    vsnprintf(line, sizeof line, fmt, ap);
    EscapeControls(line, shown, sizeof shown);
    fprintf(stderr, "%s%s\n", prefix, shown);
}

void plat::EchoLine(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    EchoLineV("", fmt, ap);
    va_end(ap);
}
