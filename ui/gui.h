// The panel side of the parameters: binding between the 19 parameter variables and their
// controls, the mode texts and evaluation-mode states, and the parameter file.
#pragma once

#include "platform.h"

#include <cstdint>

extern char proj_dir[MAX_PATHNAME_LEN];     // the program's own directory
extern char file_name[MAX_PATHNAME_LEN];    // path of the last parameter file chosen
extern char recfile_name[MAX_PATHNAME_LEN]; // path of the record file

constexpr int PARA_FILE_VALUES = 32; // numbers in a parameter file: set I frame, set II frame

void GetPanelValues(); // controls -> the 19 variables, then the four mode boxes
void SetPanelValues(); // variables -> controls, evaluation-mode states, the four mode boxes
void ShowModeTexts();  // the four mode boxes from trigmode, evalmode, anamode, outmode
void ApplyEvalModeStates(uint16_t e); // mode 3: B numerics dimmed, A relabelled, DIFF shown

const char *TrigModeText(uint16_t mode); // trigger mode in words; unknown values: "CONTINOUS"
const char *EvalModeText(uint16_t mode); // evaluation mode in words
const char *AnaModeText(uint16_t mode);  // analog-output mode in words
const char *OutModeText(uint16_t mode);  // switching-output mode in words

void SendParaToFile();   // both sets, as the panels show them, into file_name
void ReadParaFromFile(); // load dialog, then both sets from the chosen file (all or nothing)
