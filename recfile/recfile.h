// Record files of the data recorder, read once into compact columns with every fault named by
// file and line; and the per-pixel minimum/maximum envelope that the record viewer draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Line 1 of a record file: this text, then the interval in whole seconds and a line end.
constexpr char REC_HEADER[] = "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: ";
constexpr int REC_COLUMNS = 4;        // NORM A, NORM B, ADC A, ADC B, in the file's order
constexpr int REC_NO_INTERVAL = -1;   // interval when line 1 gives none: x is the line number
constexpr int REC_MAX_LINE = 64;      // bytes of a line at most; a longer one is a bad line
constexpr int REC_MESSAGE_LEN = 1400; // the fault texts of one file, one a line

struct RecordSkip { // a run of bad lines between two samples
    int64_t at;     // samples read before the run
    int64_t total;  // bad lines up to the end of this run, earlier runs included
};

struct RecordSpan {  // one pixel column of the envelope
    uint16_t lo, hi; // smallest and largest value in it
    uint16_t first;  // value of its first sample (where the line from the left joins)
    uint16_t last;   // value of its last sample
    bool any;        // false: no sample falls into this column
};

struct RecordData {
    std::vector<uint16_t> column[REC_COLUMNS]; // the samples, one entry per good line
    std::vector<RecordSkip> skips;             // where bad lines lay, so later times stay exact
    int64_t samples = 0;                       // entries in every column
    int interval = REC_NO_INTERVAL;            // seconds between lines, 0..65535, from line 1
    int64_t firstLine = 2;                     // file line of sample 0 (1: line 1 is a sample)
    int64_t lines = 0;                         // lines in the file, a cut last one included
    int64_t badLines = 0;                      // lines skipped: not four numbers 0..65535
    int64_t firstBadLine = 0;                  // the first of them; 0: none
    bool firstBadRange = false;                // it held a value above 65535 (else: text)
    bool header = false;                       // line 1 opens with the recorder header text
    int64_t cutLine = 0;                       // the last line, without line end; 0: none
    char message[REC_MESSAGE_LEN] = "";        // the faults in words; empty: none
};

// Both parse the whole file: 0 no fault, 1 faults (in message, the valid samples kept);
// ReadRecord also -1 when the file cannot be read. name (or path) opens every message.
int ParseRecord(const char *data, size_t n, const char *name, RecordData *r);
int ReadRecord(const char *path, RecordData *r, size_t chunkBytes = size_t(1) << 20);

int64_t RecordSkipped(const RecordData &r, int64_t sample); // bad lines before the sample
int64_t RecordLine(const RecordData &r, int64_t sample);    // the sample's line in the file
double RecordX(const RecordData &r, int64_t sample);        // its recorded-line number, 1..
int64_t RecordSampleAt(const RecordData &r, double x);      // first sample at or after x; or n

// Column c (0..3) over x0 <= x < x1 split into `pixels` equal columns of the envelope.
void RecordEnvelope(const RecordData &r, int c, double x0, double x1, int pixels, RecordSpan *out);

// The x axis: recorded lines shown as times by the interval, or as line numbers without one.
const char *RecordXTitle(const RecordData &r); // "time [h:mm:ss]", "time [m:ss]", "time [s]"
                                               // or "recorded line"
double RecordXStep(const RecordData &r, double span, int ticks); // round tick distance in x
void RecordXText(const RecordData &r, double x, char *text, size_t size); // the text at x
