// Fuzz target of the record file reader: any bytes are parsed as a record file, then the
// reader's results are checked against each other and drawn as an envelope.
#include "recfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

static void Check(bool ok) {
    if (!ok) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    RecordData r;
    int verdict = ParseRecord(reinterpret_cast<const char *>(data), size, "fuzz.dat", &r);
    Check(verdict == (r.message[0] ? 1 : 0));
    Check(strlen(r.message) < sizeof r.message);
    for (const auto &c : r.column)
        Check(int64_t(c.size()) == r.samples);
    Check(r.samples + r.badLines <= r.lines);
    Check(r.interval >= REC_NO_INTERVAL && r.interval <= 65535);
    int64_t previous = 0;
    for (int64_t i = 0; i < r.samples; i += 1 + r.samples / 64) {
        int64_t line = RecordLine(r, i);
        Check(line > previous && line <= r.lines);
        Check(RecordSampleAt(r, RecordX(r, i)) == i);
        previous = line;
    }
    RecordSpan spans[97];
    double last = r.samples ? RecordX(r, r.samples - 1) : 1;
    for (int c = 0; c < REC_COLUMNS; c++) {
        RecordEnvelope(r, c, 0.5, last + 0.5, 97, spans);
        int64_t seen = 0;
        for (const RecordSpan &s : spans)
            if (s.any) {
                Check(s.lo <= s.hi && s.first >= s.lo && s.first <= s.hi);
                seen++;
            }
        Check(seen <= r.samples);
    }
    char text[40];
    RecordXText(r, last, text, sizeof text);
    Check(RecordXStep(r, last, 8) > 0);
    return 0;
}
