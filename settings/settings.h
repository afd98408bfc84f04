// The controller's 19 settings as the operator knows them: their captions on the panels, where
// each travels in the parameter frames, the four modes in words; parameter files shown and
// compared without the panels. Plain C++: no toolkit.
#pragma once

#include <cstdint>
#include <cstdio>

const char *TrigModeText(uint16_t mode); // trigger mode in words; unknown values: "CONTINOUS"
const char *EvalModeText(uint16_t mode); // evaluation mode in words
const char *AnaModeText(uint16_t mode);  // analog-output mode in words
const char *OutModeText(uint16_t mode);  // switching-output mode in words

constexpr int SETTINGS_COUNT = 19; // parameters of the two sets
struct SettingInfo {
    const char *caption;                // as the panels label it
    int set;                            // 0: set I, 1: set II
    int word;                           // its word in that set's frame, 1..15
    const char *(*text)(uint16_t mode); // the value in words, for the four modes; else nullptr
};
extern const SettingInfo kSettings[SETTINGS_COUNT]; // main panel first, then the second panel

struct Settings {
    uint16_t value[SETTINGS_COUNT]; // in the order of kSettings
};
void SettingsFromFrames(const uint16_t *setI, const uint16_t *setII, Settings *out); // from the
// two 16-word parameter frames (word 0 of each is the set number)
void FormatSetting(int i, uint16_t v, char *text, int size); // "640", or "1 (NORM (A & B))"

// A parameter file (32 numbers: the set I frame, then the set II frame) into settings, each
// number reduced to its low 16 bits as loading it does. 0, or -1 with the reason in why.
int ReadSettingsFile(const char *path, Settings *out, char *why, int size);

int ShowSettingsFile(const char *path, FILE *out, FILE *err); // a line per setting; exit code 0,
                                                              // 2 when the file is unusable
int DiffSettingsFiles(const char *a, const char *b, FILE *out, FILE *err); // a line per setting
// that differs; exit code 0 the same, 1 they differ, 2 a file is unusable

// --show FILE and --diff A B, standing alone on the command line, need no display: 1 when argv
// is one of them (its exit code in *exitCode), 0 for anything else. SETTINGS_USAGE is a string
// literal, so the program can put its own lines beside it.
int SettingsCommand(int argc, char **argv, int *exitCode);
#define SETTINGS_USAGE                                                                             \
    "  --show FILE     print the 19 settings of the parameter file FILE, modes in words\n"         \
    "  --diff A B      print the settings in which the parameter files A and B differ; exit\n"     \
    "                  code 0 the same, 1 they differ, 2 a file cannot be read or is short\n"
