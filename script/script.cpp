// Operator scripts (--play FILE): parses a file of operator actions and checks it as a whole
// before anything runs. Playing the actions is the player's.
#include "script.h"
#include "files.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Action g_script[kMaxActions];
int g_nScript = 0;
char g_scriptPath[1024];
static ScriptNames g_names = {};

void InstallScriptNames(const ScriptNames &names) {
    g_names = names;
}

static const struct {
    const char *word;
    ActionKind kind;
} kWords[] = {
    {"press", ACT_PRESS},
    {"key", ACT_KEY},
    {"set", ACT_SET},
    {"dialog", ACT_DIALOG},
    {"close", ACT_CLOSE},
    {"wait", ACT_WAIT},
    {"expect-status", ACT_EXPECT_STATUS},
    {"expect", ACT_EXPECT},
    {"expect-dimmed", ACT_EXPECT_DIMMED},
    {"expect-visible", ACT_EXPECT_VISIBLE},
    {"export-scan", ACT_EXPORT_SCAN},
    {"export-png", ACT_EXPORT_PNG},
    {"compare", ACT_COMPARE},
    {"expect-compare", ACT_EXPECT_COMPARE},
    {"export-compare", ACT_EXPORT_COMPARE},
    {"quit", ACT_QUIT},
};
const char *const kCompareWords[3] = {"same", "differ", "unread"};

static char *Trim(char *s) {
    while (isspace(static_cast<unsigned char>(*s)))
        s++;
    char *e = s + strlen(s);
    while (e > s && isspace(static_cast<unsigned char>(e[-1])))
        *--e = '\0';
    return s;
}

// The next blank-separated word of *s; *s moves past it.
static char *Word(char **s) {
    char *w = Trim(*s);
    char *e = w;
    while (*e && !isspace(static_cast<unsigned char>(*e)))
        e++;
    if (*e) *e++ = '\0';
    *s = e;
    return w;
}

// A text argument is the rest of the line; double quotes around it keep outer blanks.
static void Text(char *rest, char *out, size_t size) {
    char *t = Trim(rest);
    size_t n = strlen(t);
    if (n >= 2 && t[0] == '"' && t[n - 1] == '"') {
        t[n - 1] = '\0';
        t++;
    }
    snprintf(out, size, "%s", t);
}

// "$RUN" opening a text stands for this run's own folder (see RunFolder): scripts name the files
// they write there instead of fixed names in a folder others share.
static bool ExpandRun(char *text, size_t size, char *why) {
    if (strncmp(text, "$RUN", 4) != 0 || (text[4] != '/' && text[4] != '\0')) return true;
    const char *folder = plat::RunFolder(g_scriptPath);
    if (!folder) {
        snprintf(why, 200, "cannot make this run's folder for $RUN: %s", strerror(errno));
        return false;
    }
    char joined[1024];
    if (snprintf(joined, sizeof joined, "%s%s", folder, text + 4) >= int(size)) {
        snprintf(why, 200, "path longer than %d characters", int(size) - 1);
        return false;
    }
    memcpy(text, joined, strlen(joined) + 1);
    return true;
}

// A relative path is taken from the script's folder, so scripts travel with their files.
static void RelativeToScript(char *path, size_t size) {
    const char *slash = strrchr(g_scriptPath, '/');
    if (!slash || path[0] == '/' || !path[0]) return;
    char joined[1024];
    snprintf(joined, sizeof joined, "%.*s/%s", int(slash - g_scriptPath), g_scriptPath, path);
    snprintf(path, size, "%s", joined);
}

static bool Path(Action &a, char *why) {
    if (!ExpandRun(a.text, sizeof a.text, why)) return false;
    if (a.kind != ACT_DIALOG || a.value) RelativeToScript(a.text, sizeof a.text);
    if (strlen(a.text) < 260) return true;
    snprintf(why, 200, "path longer than 259 characters");
    return false;
}

static bool Integer(const char *s, long lo, long hi, int *out) {
    char *end = nullptr;
    long v = strtol(s, &end, 10);
    if (!*s || *end || v < lo || v > hi) return false;
    *out = int(v);
    return true;
}

static bool Control(const char *name, Action &a, char *why) {
    a.control = g_names.control ? g_names.control(name, &a.resource) : 0;
    if (a.control == 0) snprintf(why, 200, "unknown control '%s'", name);
    return a.control != 0;
}

static bool Nothing(char *rest, char *why) {
    char *t = Trim(rest);
    if (*t) snprintf(why, 200, "unexpected '%s'", t);
    return *t == '\0';
}

static bool YesNo(const char *s, Action &a, char *why) {
    if (!strcmp(s, "yes") || !strcmp(s, "no")) {
        a.value = !strcmp(s, "yes");
        return true;
    }
    snprintf(why, 200, "expected yes or no, found '%s'", s);
    return false;
}

static bool ParseArgs(Action &a, char *rest, char *why) {
    char *w = nullptr;
    switch (a.kind) {
    case ACT_PRESS:
    case ACT_KEY: return Control(Word(&rest), a, why) && Nothing(rest, why);
    case ACT_SET:
        if (!Control(Word(&rest), a, why)) return false;
        w = Word(&rest);
        if (!Integer(w, -2147483647L, 2147483647L, &a.value)) {
            snprintf(why, 200, "expected a whole number, found '%s'", w);
            return false;
        }
        return Nothing(rest, why);
    case ACT_DIALOG:
        Text(rest, a.text, sizeof a.text);
        a.value = strcmp(a.text, "cancel") != 0;
        if (!a.text[0]) snprintf(why, 200, "expected a path or cancel");
        return a.text[0] != '\0' && Path(a, why);
    case ACT_EXPORT_PNG:
        if (!Control(Word(&rest), a, why)) return false;
        [[fallthrough]];
    case ACT_EXPORT_SCAN:
    case ACT_EXPORT_COMPARE:
        Text(rest, a.text, sizeof a.text);
        if (!a.text[0]) snprintf(why, 200, "expected a file name");
        return a.text[0] != '\0' && Path(a, why);
    case ACT_CLOSE:
        w = Word(&rest);
        if (!strcmp(w, "main") || !strcmp(w, "second")) {
            a.resource = strcmp(w, "main") ? g_names.secondPanel : g_names.mainPanel;
            return Nothing(rest, why);
        }
        snprintf(why, 200, "expected main or second, found '%s'", w);
        return false;
    case ACT_WAIT: {
        w = Word(&rest);
        char *end = nullptr;
        a.seconds = strtod(w, &end);
        if (*w && !*end && a.seconds >= 0 && a.seconds <= 86400) return Nothing(rest, why);
        snprintf(why, 200, "expected seconds, found '%s'", w);
        return false;
    }
    case ACT_EXPECT_STATUS:
        Text(rest, a.text, sizeof a.text);
        return ExpandRun(a.text, sizeof a.text, why);
    case ACT_EXPECT:
        if (!Control(Word(&rest), a, why)) return false;
        Text(rest, a.text, sizeof a.text);
        if (!a.text[0]) snprintf(why, 200, "expected a value");
        return a.text[0] != '\0' && ExpandRun(a.text, sizeof a.text, why);
    case ACT_EXPECT_DIMMED:
    case ACT_EXPECT_VISIBLE:
        return Control(Word(&rest), a, why) && YesNo(Word(&rest), a, why) && Nothing(rest, why);
    case ACT_EXPECT_COMPARE:
        w = Word(&rest);
        for (int i = 0; i < 3; i++)
            if (!strcmp(w, kCompareWords[i])) {
                a.value = i;
                return Nothing(rest, why);
            }
        snprintf(why, 200, "expected same, differ or unread, found '%s'", w);
        return false;
    case ACT_COMPARE:
    case ACT_QUIT: return Nothing(rest, why);
    }
    return false;
}

static bool ParseLine(char *line, int number, Action &a, char *why) {
    a = Action{};
    a.line = number;
    snprintf(a.source, sizeof a.source, "%s", line);
    char *rest = line;
    char *word = Word(&rest);
    for (const auto &k : kWords)
        if (!strcmp(word, k.word)) {
            a.kind = k.kind;
            return ParseArgs(a, rest, why);
        }
    snprintf(why, 200, "unknown action '%s'", word);
    return false;
}

constexpr int kLineMax = 1198; // characters of a script line, its line end not counted

// Where the lines come from: a file, or text in memory.
struct Source {
    FILE *f;
    const char *p, *end;
};

static int Get(Source &in) {
    if (in.f) return getc(in.f);
    return in.p < in.end ? (unsigned char)*in.p++ : EOF;
}

// One line of the source into buf (cut to fit) without its line end; false at the end of the file.
// *len counts every character of the line, so an overlong line is seen whole and refused: a
// piece of it would pass for a line of its own, and the tail of a long comment would be played.
static bool ReadLine(Source &in, char *buf, size_t size, size_t *len, bool *nul) {
    size_t n = 0;
    int c;
    *nul = false;
    while ((c = Get(in)) != EOF && c != '\n') {
        *nul |= c == '\0';
        if (n + 1 < size) buf[n] = char(c);
        n++;
    }
    buf[n < size ? n : size - 1] = '\0';
    if (n > 0 && n < size && buf[n - 1] == '\r') buf[--n] = '\0'; // CR LF line end
    *len = n;
    return c != EOF || n > 0;
}

// Refuses a line that the reader cannot take as written; true when it was refused.
static bool Unreadable(const char *path, int number, size_t len, bool nul) {
    if (len > size_t(kLineMax))
        plat::EchoLine("%s:%d: line longer than %d characters", path, number, kLineMax);
    else if (nul)
        plat::EchoLine("%s:%d: the line holds a NUL byte", path, number);
    return len > size_t(kLineMax) || nul;
}

// Reads the script's lines; path names the script in reports.
static bool ParseLines(Source in, const char *path) {
    char buf[kLineMax + 2];
    size_t len = 0;
    bool nul = false;
    int number = 0;
    bool ok = true;
    while (ok && ReadLine(in, buf, sizeof buf, &len, &nul)) {
        if (Unreadable(path, ++number, len, nul)) return false;
        if (char *hash = strchr(buf, '#')) *hash = '\0';
        char *line = Trim(buf);
        if (!*line) continue;
        char why[256] = "", shown[kLineMax + 2];
        snprintf(shown, sizeof shown, "%s", line); // parsing cuts the line into words
        if (g_nScript == kMaxActions) {
            snprintf(why, sizeof why, "more than %d actions", kMaxActions);
            ok = false;
        } else if (!ParseLine(line, number, g_script[g_nScript], why)) {
            ok = false;
        } else {
            g_nScript++;
            continue;
        }
        plat::EchoLine("%s:%d: %s: %s", path, number, shown, why);
    }
    if (ok && in.f && ferror(in.f)) {
        plat::EchoLine("%s: cannot read the script to its end (%s)", path, strerror(errno));
        return false;
    }
    return ok;
}

// A directory reads as a script without lines, which would play as "0 actions played": only a
// regular file (or a link to one) is a script.
static FILE *OpenScript(const char *path) {
    const char *kind = nullptr;
    FILE *f = plat::OpenRegularForRead(path, &kind);
    if (!f && kind)
        fprintf(stderr, "%s: cannot read the script (%s, not a regular file)\n", path, kind);
    else if (!f)
        fprintf(stderr, "%s: cannot read the script (%s)\n", path, strerror(errno));
    return f;
}

bool LoadScript(const char *path) {
    snprintf(g_scriptPath, sizeof g_scriptPath, "%s", path);
    g_nScript = 0;
    FILE *f = OpenScript(path);
    if (!f) return false;
    bool ok = ParseLines({f, nullptr, nullptr}, path);
    fclose(f);
    if (!ok) plat::CloseRunFolder(path); // made for a script that will not play: it goes
    return ok;
}

bool ParseScriptText(const char *text, size_t size, const char *path) {
    snprintf(g_scriptPath, sizeof g_scriptPath, "%s", path);
    g_nScript = 0;
    bool ok = ParseLines({nullptr, text, text + size}, path);
    plat::CloseRunFolder(path);
    return ok;
}
