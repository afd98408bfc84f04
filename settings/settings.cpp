// The 19 settings by caption and frame word, the mode texts, and parameter files read, shown
// and compared for --show and --diff.
#include "settings.h"
#include "files.h"

#include <cerrno>
#include <cstring>

const char *TrigModeText(uint16_t mode) {
    switch (mode) {
    case 1: return "INTERN-CHA-scan128";
    case 2: return "TRIG-CHB -> EVAL-CHA";
    case 3: return "EXT-IN0-HIGH (cont.)";
    case 4: return "EXT-IN0-L/H-scan128";
    case 5: return "EXT-IN0-L/H (cont.)";
    default: return "CONTINOUS";
    }
}

const char *EvalModeText(uint16_t mode) {
    switch (mode) {
    case 1: return "NORM (A & B)";
    case 2: return "TRIG-B -> EVAL-A";
    case 3: return "DIFFERENCE (A - B)";
    default: return "NORM-A: A/Amax";
    }
}

const char *AnaModeText(uint16_t mode) {
    switch (mode) {
    case 1: return "MAXIMA-value";
    case 2: return "MINIMA-value";
    case 3: return "<MAX-MIN>-value";
    default: return "DIRECT 0 .. 10V";
    }
}

const char *OutModeText(uint16_t mode) {
    switch (mode) {
    case 1: return "BIN:(A->OUT0);(B->OUT1)";
    case 2: return "BIN:(A & B) -> OUT0";
    default: return "(+)->OUT0; (-)->OUT1";
    }
}

// Set I frame: words 1-15 powerA refA tolA triglvlA hysteresis polarity hold average hwmode
// evalmode trigmode outmode anamode sdelay maxmode; set II frame: words 1-4 powerB refB tolB
// triglvlB.
const SettingInfo kSettings[SETTINGS_COUNT] = {
    {"POWER: CHANNEL A", 0, 1, nullptr},
    {"POWER: CHANNEL B", 1, 1, nullptr},
    {"REFERENCE-CHA", 0, 2, nullptr},
    {"REFERENCE-CHB", 1, 2, nullptr},
    {"TOLERANCE-CHA", 0, 3, nullptr},
    {"TOLERANCE-CHB", 1, 3, nullptr},
    {"HYSTERESIS", 0, 5, nullptr},
    {"HW-MODE", 0, 9, nullptr},
    {"MAX-MODE", 0, 15, nullptr},
    {"AVERAGE", 0, 8, nullptr},
    {"POLARITY", 0, 6, nullptr},
    {"HOLD", 0, 7, nullptr},
    {"EVALUATION-MODE", 0, 10, EvalModeText},
    {"TRIGGER-LEVEL A", 0, 4, nullptr},
    {"TRIGGER-LEVEL B", 1, 4, nullptr},
    {"TRIGGER-MODE", 0, 11, TrigModeText},
    {"DELAY", 0, 14, nullptr},
    {"SWITCH-OUT", 0, 12, OutModeText},
    {"ANALOG-OUT", 0, 13, AnaModeText},
};

constexpr int kFileNumbers = 32; // the two 16-word frames

void SettingsFromFrames(const uint16_t *setI, const uint16_t *setII, Settings *out) {
    for (int i = 0; i < SETTINGS_COUNT; i++)
        out->value[i] = (kSettings[i].set ? setII : setI)[kSettings[i].word];
}

void FormatSetting(int i, uint16_t v, char *text, int size) {
    if (kSettings[i].text)
        snprintf(text, size_t(size), "%u (%s)", unsigned(v), kSettings[i].text(v));
    else
        snprintf(text, size_t(size), "%u", unsigned(v));
}

int ReadSettingsFile(const char *path, Settings *out, char *why, int size) {
    unsigned numbers[kFileNumbers];
    int badLine = 0;
    errno = 0;
    int n = FileToArray(path, numbers, kFileNumbers, &badLine);
    if (n == kFileNumbers) {
        uint16_t frames[kFileNumbers];
        for (int i = 0; i < kFileNumbers; i++)
            frames[i] = uint16_t(numbers[i]);
        SettingsFromFrames(frames, frames + 16, out);
        return 0;
    }
    if (n == -3)
        snprintf(why, size_t(size), "%s: line %d is not an unsigned number", path, badLine);
    else if (n == -2)
        snprintf(why, size_t(size), "%s: holds fewer than %d numbers", path, kFileNumbers);
    else
        snprintf(why, size_t(size), "%s: cannot be read (%s)", path,
                 errno ? strerror(errno) : "not a regular file");
    return -1;
}

static void PrintValue(FILE *out, int i, uint16_t v) {
    if (kSettings[i].text)
        fprintf(out, "%5u (%s)", unsigned(v), kSettings[i].text(v));
    else
        fprintf(out, "%5u", unsigned(v));
}

int ShowSettingsFile(const char *path, FILE *out, FILE *err) {
    Settings s;
    char why[MAX_PATHNAME_LEN + 100];
    if (ReadSettingsFile(path, &s, why, int(sizeof why)) != 0) {
        fprintf(err, "%s\n", why);
        return 2;
    }
    for (int i = 0; i < SETTINGS_COUNT; i++) {
        fprintf(out, "%-17s ", kSettings[i].caption);
        PrintValue(out, i, s.value[i]);
        fputc('\n', out);
    }
    return 0;
}

int DiffSettingsFiles(const char *a, const char *b, FILE *out, FILE *err) {
    Settings sa, sb;
    char why[MAX_PATHNAME_LEN + 100];
    if (ReadSettingsFile(a, &sa, why, int(sizeof why)) != 0 ||
        ReadSettingsFile(b, &sb, why, int(sizeof why)) != 0) {
        fprintf(err, "%s\n", why);
        return 2;
    }
    int differ = 0;
    for (int i = 0; i < SETTINGS_COUNT; i++) {
        if (sa.value[i] == sb.value[i]) continue;
        differ++;
        fprintf(out, "%-17s ", kSettings[i].caption);
        PrintValue(out, i, sa.value[i]);
        fputs("  ", out);
        PrintValue(out, i, sb.value[i]);
        fputc('\n', out);
    }
    return differ ? 1 : 0;
}

int SettingsCommand(int argc, char **argv, int *exitCode) {
    if (argc < 2 || (strcmp(argv[1], "--show") != 0 && strcmp(argv[1], "--diff") != 0)) return 0;
    bool show = !strcmp(argv[1], "--show");
    if (argc != (show ? 3 : 4)) {
        fprintf(stderr, "%s\n",
                show ? "--show needs one parameter file and nothing else: --show FILE"
                     : "--diff needs two parameter files and nothing else: --diff A B");
        *exitCode = 2;
        return 1;
    }
    *exitCode = show ? ShowSettingsFile(argv[2], stdout, stderr)
                     : DiffSettingsFiles(argv[2], argv[3], stdout, stderr);
    return 1;
}
