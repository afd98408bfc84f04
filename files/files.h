// The operator's files: arrays of numbers written to and read from text files without ever
// leaving a half-written file, and text from outside (scripts, devices) echoed to the terminal.
// Plain C++: no toolkit. The writing and opening of files is POSIX (files_posix.cpp).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

constexpr int MAX_PATHNAME_LEN = 260; // every path buffer of the program

// ---- Arrays of numbers ----------------------------------------------------------------------

constexpr int VAL_GROUPS_AS_COLUMNS = 0; // one group per column: values of a row side by side
constexpr int VAL_CONST_WIDTH = 0;       // values right-aligned in a fixed field width
constexpr int VAL_SEP_BY_TAB = 1;        // values separated by one tab
constexpr int VAL_TRUNCATE = 0;          // replace the file's content
constexpr int VAL_APPEND = 1;            // add to the end of the file
// Writes count unsigned values as text: with layout VAL_GROUPS_AS_COLUMNS, numGroups values a
// line. The file is opened, written and closed; replacing goes through a temporary file so a
// failed write leaves the old content, appending writes whole lines or nothing. Only a regular
// file, or a link of this user's to one, is written. 0, or negative (LastFileFault says why).
int ArrayToFile(const char *path, const unsigned *values, int count, int numGroups, int layout,
                int separator, int fieldWidth, int action);
int ArrayToFile(const char *path, const char *bytes, int count, int action); // raw bytes
int CVI_DeleteFile(const char *path); // 0; -1 no such file; -2 cannot be deleted
const char *LastFileFault(); // why the last file write or read failed, naming the file; or ""
// Reads count unsigned decimal numbers separated by blanks and line ends. Returns count, or
// -1 file unreadable, -2 fewer numbers, -3 something that is not an unsigned number (its line
// in *badLine). A number above 2^32-1 keeps its low 32 bits. Only a regular file is read.
struct ArrayFileNotes {
    int wide;  // numbers read that did not fit 16 bits
    int extra; // words after the count-th number, not read
};
int FileToArray(const char *path, unsigned *values, int count, int *badLine,
                ArrayFileNotes *notes = nullptr);

// ---- Shared with the rooms above ------------------------------------------------------------

namespace plat {

// Files written without following another user's link or blocking on a FIFO (files_posix.cpp)
int ReplaceFile(const char *path, const char *data, size_t n); // via a temporary; 0 or -1
int AppendFile(const char *path, const char *data, size_t n);  // whole or not at all; 0 or -1
FILE *OpenRegularForRead(const char *path, const char **kind = nullptr); // nullptr unless a
// regular file (or a link to one), with errno set or *kind naming what it is instead
const char *RunFolder(const char *script); // this play's private folder, made on first use; or null
void CloseRunFolder(const char *script);   // removed when empty, else named on standard error
extern void (*g_fileFaultLog)(const char *fault); // also told every fault (--verbose); or null

// Text from outside the program (script lines, device texts) for the terminal (echo.cpp)
void EscapeControls(const char *in, char *out, size_t size); // control characters as \e, \t ...
void EchoLine(const char *fmt, ...)
    __attribute__((format(printf, 1, 2)));                       // stderr, escaped, a line
void EchoLineV(const char *prefix, const char *fmt, va_list ap); // the same after a prefix

} // namespace plat
