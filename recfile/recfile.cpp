// Record file reader: one pass over the bytes, line by line, into four uint16 columns. Bad lines
// are counted and their places kept, so the lines after them keep their times.
#include "recfile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

constexpr size_t kHeaderLen = sizeof REC_HEADER - 1; // 44

// Digits from s[*i] on as a number; false without a digit. Above 65535 gives 65536.
static bool Number(const char *s, size_t len, size_t *i, uint32_t *value) {
    size_t start = *i;
    uint32_t v = 0;
    for (; *i < len && s[*i] >= '0' && s[*i] <= '9'; ++*i)
        if (v <= 65535) v = v * 10 + uint32_t(s[*i] - '0');
    *value = std::min<uint32_t>(v, 65536);
    return *i > start;
}

enum LineKind { LINE_SAMPLE, LINE_TEXT, LINE_RANGE };

static LineKind Sample(const char *s, size_t len, uint16_t v[REC_COLUMNS]) {
    if (len > size_t(REC_MAX_LINE)) return LINE_TEXT;
    size_t i = 0;
    bool range = false;
    for (int c = 0; c < REC_COLUMNS; c++) {
        if (c > 0 && (i >= len || s[i++] != '\t')) return LINE_TEXT;
        uint32_t value = 0;
        if (!Number(s, len, &i, &value)) return LINE_TEXT;
        range |= value > 65535;
        v[c] = uint16_t(value);
    }
    if (i != len) return LINE_TEXT;
    return range ? LINE_RANGE : LINE_SAMPLE;
}

// Line 1: the header text and an interval 0..65535; REC_NO_INTERVAL for any other interval.
static bool Header(const char *s, size_t len, int *interval) {
    if (len < kHeaderLen || memcmp(s, REC_HEADER, kHeaderLen) != 0) return false;
    size_t i = kHeaderLen;
    uint32_t value = 0;
    bool ok =
        len <= size_t(REC_MAX_LINE) && Number(s, len, &i, &value) && i == len && value <= 65535;
    *interval = ok ? int(value) : REC_NO_INTERVAL;
    return true;
}

static void Push(RecordData *r, const uint16_t v[REC_COLUMNS]) {
    for (int c = 0; c < REC_COLUMNS; c++)
        r->column[c].push_back(v[c]);
    r->samples++;
}

static void Bad(RecordData *r, LineKind kind) {
    if (r->badLines++ == 0) {
        r->firstBadLine = r->lines;
        r->firstBadRange = kind == LINE_RANGE;
    }
    if (!r->skips.empty() && r->skips.back().at == r->samples)
        r->skips.back().total = r->badLines;
    else
        r->skips.push_back({r->samples, r->badLines});
}

// One line without its line end; `ended` false for a last line that has none.
static void Line(RecordData *r, const char *s, size_t len, bool ended) {
    r->lines++;
    if (!ended) { // cut off while it was written: its last value may be short of digits
        r->cutLine = r->lines;
        return;
    }
    if (len > 0 && s[len - 1] == '\r') len--;
    uint16_t v[REC_COLUMNS];
    LineKind kind = Sample(s, len, v);
    if (r->lines == 1) {
        r->header = Header(s, len, &r->interval);
        if (r->header || kind != LINE_SAMPLE) return;
        r->firstLine = 1; // the header is lost, line 1 is already a sample
    }
    if (kind == LINE_SAMPLE)
        Push(r, v);
    else
        Bad(r, kind);
}

// Lines can cross the caller's chunks: the start of an unfinished one waits in `carry`, of
// which only what decides the line's fate is kept: with a carriage return taken off, a line
// cut to this length is still too long.
struct Feeder {
    RecordData *r;
    char carry[REC_MAX_LINE + 2];
    size_t carried; // bytes in carry
    bool pending;   // a line has begun in an earlier chunk
};

static void Keep(Feeder *f, const char *data, size_t len) {
    f->pending = true;
    size_t take = std::min(len, sizeof f->carry - f->carried);
    memcpy(f->carry + f->carried, data, take);
    f->carried += take;
}

static void Feed(Feeder *f, const char *data, size_t n) {
    while (n > 0) {
        const char *nl = static_cast<const char *>(memchr(data, '\n', n));
        size_t len = nl ? size_t(nl - data) : n;
        if (!f->pending && nl) {
            Line(f->r, data, len, true);
        } else {
            Keep(f, data, len);
            if (nl) {
                Line(f->r, f->carry, f->carried, true);
                f->carried = 0;
                f->pending = false;
            }
        }
        if (!nl) return;
        data = nl + 1;
        n -= len + 1;
    }
}

static void Finish(Feeder *f) {
    if (f->pending) Line(f->r, f->carry, f->carried, false);
    f->pending = false;
}

static void Say(RecordData *r, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
static void Say(RecordData *r, const char *fmt, ...) {
    size_t used = strlen(r->message);
    if (used + 1 >= sizeof r->message) return;
    if (used) r->message[used++] = '\n';
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(r->message + used, sizeof r->message - used, fmt, ap);
    va_end(ap);
}

static int Verdict(RecordData *r, const char *name) {
    bool firstCut = r->cutLine == 1;
    if (r->lines == 0) Say(r, "%s: the file is empty", name);
    if (r->lines > 0 && !firstCut && !r->header)
        Say(r, "%s: line 1 is not a recorder header", name);
    if (r->header && r->interval == REC_NO_INTERVAL && !firstCut)
        Say(r, "%s: line 1 gives no interval 0..65535", name);
    if (r->badLines > 0)
        Say(r, "%s: line %lld %s (%lld bad line%s skipped)", name, (long long)r->firstBadLine,
            r->firstBadRange ? "holds a value above 65535"
                             : "is not four numbers separated by tabs",
            (long long)r->badLines, r->badLines == 1 ? "" : "s");
    if (r->cutLine)
        Say(r, "%s: line %lld is cut short (no line end) and not shown", name,
            (long long)r->cutLine);
    return r->message[0] ? 1 : 0;
}

static void Reserve(RecordData *r, size_t lines) {
    for (auto &c : r->column)
        c.reserve(lines);
}

int ParseRecord(const char *data, size_t n, const char *name, RecordData *r) {
    *r = RecordData{};
    size_t lines = size_t(std::count(data, data + n, '\n')) + 1;
    Reserve(r, lines);
    Feeder f{r, {}, 0, false};
    Feed(&f, data, n);
    Finish(&f);
    return Verdict(r, name);
}

// What a path that is no regular file names, for its message.
static const char *KindOf(std::filesystem::file_type type) {
    switch (type) {
    case std::filesystem::file_type::directory: return "a directory";
    case std::filesystem::file_type::character: return "a character device";
    case std::filesystem::file_type::block: return "a block device";
    case std::filesystem::file_type::fifo: return "a named pipe";
    case std::filesystem::file_type::socket: return "a socket";
    default: return "a file of an unknown kind";
    }
}

// A directory reads as an empty file, a device such as /dev/zero never ends and opening a named
// pipe waits for a writer: only a regular file (or a link to one) is read. A path that is not
// there is left to the open, which names the reason.
static bool RegularFile(const char *path, RecordData *r) {
    std::error_code ec;
    std::filesystem::file_type type = std::filesystem::status(path, ec).type();
    if (ec || type == std::filesystem::file_type::regular) return true;
    snprintf(r->message, sizeof r->message, "%s: cannot read the file (%s, not a regular file)",
             path, KindOf(type));
    return false;
}

// Preallocates from the file size and the line length seen in the first chunk; a file that
// grows while it is read (a recording in progress) grows the columns as usual.
int ReadRecord(const char *path, RecordData *r, size_t chunkBytes) {
    *r = RecordData{};
    if (!RegularFile(path, r)) return -1;
    FILE *file = fopen(path, "rb");
    struct stat st {};
    if (!file || fstat(fileno(file), &st) != 0) {
        snprintf(r->message, sizeof r->message, "%s: cannot read the file (%s)", path,
                 strerror(errno));
        if (file) fclose(file);
        return -1;
    }
    std::vector<char> buf(std::max<size_t>(chunkBytes, 1));
    Feeder f{r, {}, 0, false};
    bool first = true, failed = false;
    for (;;) {
        size_t got = fread(buf.data(), 1, buf.size(), file);
        if (got == 0) {
            failed = ferror(file) != 0;
            break;
        }
        if (first && st.st_size > 0) {
            size_t nl = size_t(std::count(buf.data(), buf.data() + got, '\n'));
            size_t perLine = nl ? got / nl : got;
            size_t most = size_t(st.st_size) / 8 + 2; // "0\t0\t0\t0\n" is the shortest line
            Reserve(r, std::min(most,
                                size_t(st.st_size) / std::max<size_t>(perLine, 1) * 21 / 20 + 16));
            first = false;
        }
        Feed(&f, buf.data(), got);
    }
    int readError = failed ? (errno ? errno : EIO) : 0;
    fclose(file);
    Finish(&f);
    int verdict = Verdict(r, path);
    if (!readError) return verdict;
    Say(r, "%s: the file could not be read to its end (%s)", path, strerror(readError));
    return 1;
}

int64_t RecordSkipped(const RecordData &r, int64_t sample) {
    auto after = std::upper_bound(r.skips.begin(), r.skips.end(), sample,
                                  [](int64_t s, const RecordSkip &k) { return s < k.at; });
    return after == r.skips.begin() ? 0 : (after - 1)->total;
}

int64_t RecordLine(const RecordData &r, int64_t sample) {
    return r.firstLine + sample + RecordSkipped(r, sample);
}

double RecordX(const RecordData &r, int64_t sample) {
    return double(sample + 1 + RecordSkipped(r, sample));
}

int64_t RecordSampleAt(const RecordData &r, double x) {
    if (r.skips.empty()) {
        double i = x - 1.0;
        if (!(i > 0)) return 0; // also NaN
        if (i >= double(r.samples)) return r.samples;
        int64_t k = int64_t(i);
        return double(k) < i ? k + 1 : k;
    }
    int64_t lo = 0, hi = r.samples;
    while (lo < hi) {
        int64_t mid = lo + (hi - lo) / 2;
        if (RecordX(r, mid) >= x)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

void RecordEnvelope(const RecordData &r, int c, double x0, double x1, int pixels, RecordSpan *out) {
    if (pixels <= 0) return;
    for (int p = 0; p < pixels; p++)
        out[p] = RecordSpan{};
    if (c < 0 || c >= REC_COLUMNS || !(x1 > x0) || r.samples == 0) return;
    const uint16_t *v = r.column[c].data();
    double w = (x1 - x0) / pixels;
    int64_t a = RecordSampleAt(r, x0);
    for (int p = 0; p < pixels; p++) {
        int64_t b = RecordSampleAt(r, p + 1 == pixels ? x1 : x0 + (p + 1) * w);
        if (a >= b) continue;
        uint16_t lo = v[a], hi = v[a];
        for (int64_t i = a + 1; i < b; i++) {
            lo = std::min(lo, v[i]);
            hi = std::max(hi, v[i]);
        }
        out[p] = RecordSpan{lo, hi, v[a], v[b - 1], true};
        a = b;
    }
}

// ---- The x axis -------------------------------------------------------------------------------

static double Seconds(const RecordData &r) { // the recording's length
    return r.samples > 0 && r.interval > 0 ? RecordX(r, r.samples - 1) * r.interval : 0;
}

const char *RecordXTitle(const RecordData &r) {
    if (r.interval <= 0) return "recorded line";
    double s = Seconds(r);
    return s >= 3600 ? "time [h:mm:ss]" : s >= 60 ? "time [m:ss]" : "time [s]";
}

static double RoundStep(double wanted) { // 1, 2 or 5 times a power of ten, at least wanted
    double p = 1;
    while (p * 10 <= wanted)
        p *= 10;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (p * m >= wanted) return p * m;
    return p * 10;
}

double RecordXStep(const RecordData &r, double span, int ticks) {
    double wanted = span / std::max(ticks, 1);
    if (r.interval <= 0) return RoundStep(std::max(wanted, 1.0));
    static const double kSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                    600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    double seconds = wanted * r.interval;
    for (double step : kSteps)
        if (step >= seconds) return step / r.interval;
    return RoundStep(seconds / 86400) * 86400 / r.interval;
}

void RecordXText(const RecordData &r, double x, char *text, size_t size) {
    long long v = std::llround(r.interval > 0 ? x * r.interval : x);
    double s = Seconds(r);
    if (r.interval <= 0 || s < 60 || v < 0)
        snprintf(text, size, "%lld", v);
    else if (s < 3600)
        snprintf(text, size, "%lld:%02lld", v / 60, v % 60);
    else
        snprintf(text, size, "%lld:%02lld:%02lld", v / 3600, v / 60 % 60, v % 60);
}
