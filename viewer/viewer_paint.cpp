// Drawing of a recording: NORM A/B above, ADC A/B below against one time axis, each trace drawn
// as its per-pixel minimum/maximum envelope, so millions of lines cost one stroke per column.
#include "palette.h"
#include "plot.h"
#include "viewer_view.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
struct TraceStyle {
    const char *name;
    QRgb colour;
};
// The colours of the scan graph: normalised A red, B dark grey; raw A green, B blue.
constexpr TraceStyle kTraces[REC_COLUMNS] = {{"NORM A", RGB_REC_NORM_A},
                                             {"NORM B", RGB_REC_NORM_B},
                                             {"ADC A", RGB_REC_ADC_A},
                                             {"ADC B", RGB_REC_ADC_B}};
const char *const kPaneTitles[plat::kPanes] = {"NORM = 1000·A/Amax", "ADC [ADC units]"};
constexpr int kLeft = 76, kRight = 18, kTop = 34, kGap = 22, kBottom = 44, kLineHeight = 15;

// A pane's area and value ranges, as the plot room maps them.
plot::Area AreaOf(const plat::RecordView &v, int pane) {
    const QRect &r = v.plot[pane];
    plot::Area a;
    a.left = r.left(), a.top = r.top(), a.width = std::max(1, r.width());
    a.height = std::max(1, r.height());
    a.x0 = v.x0, a.x1 = v.x1, a.y0 = v.y0[pane], a.y1 = v.y1[pane];
    return a;
}

plot::Ticks YTicks(const plat::RecordView &v, int pane) {
    double step =
        plot::RoundStep((v.y1[pane] - v.y0[pane]) / std::max(2, v.plot[pane].height() / 40));
    return plot::RoundTicks(v.y0[pane], v.y1[pane], step);
}

plot::Ticks XTicks(const plat::RecordView &v) {
    double step = RecordXStep(v.rec, v.x1 - v.x0, std::max(2, v.plot[0].width() / 110));
    return plot::RoundTicks(v.x0, v.x1, step);
}

void TimeLabel(double x, char *text, int size, const void *context) {
    RecordXText(static_cast<const plat::RecordView *>(context)->rec, x, text, size_t(size));
}

void Envelope(plat::RecordView &v, int width) {
    if (int(v.spans[0].size()) == width && v.spanX0 == v.x0 && v.spanX1 == v.x1) return;
    for (int c = 0; c < REC_COLUMNS; c++) {
        v.spans[c].assign(size_t(width), RecordSpan{});
        RecordEnvelope(v.rec, c, v.x0, v.x1, width, v.spans[c].data());
    }
    v.spanX0 = v.x0, v.spanX1 = v.x1;
}

// A pane's value range fitted to what it shows, widened to round tick values.
void Fit(plat::RecordView &v, int pane) {
    int lo = 65536, hi = -1;
    for (int c = 2 * pane; c < 2 * pane + 2; c++)
        for (const RecordSpan &s : v.spans[c])
            if (s.any) lo = std::min<int>(lo, s.lo), hi = std::max<int>(hi, s.hi);
    if (hi < 0) lo = 0, hi = 1000;
    double pad = std::max(1.0, (hi - lo) * 0.06);
    double step = plot::RoundStep((hi - lo + 2 * pad) / 5);
    v.y0[pane] = std::max(0.0, std::floor((lo - pad) / step) * step);
    v.y1[pane] = std::ceil((hi + pad) / step) * step;
}

void Summary(const plat::RecordView &v, QString &bold, QString &rest) {
    const RecordData &r = v.rec;
    int slash = v.path.lastIndexOf('/');
    bold = v.path.mid(slash + 1);
    rest = QString("   %1 lines").arg(r.samples);
    if (r.interval > 0 && r.samples > 0) {
        char t[32];
        RecordXText(r, RecordX(r, r.samples - 1), t, sizeof t);
        rest += QString(", interval %1 s, %2 recorded").arg(r.interval).arg(t);
    } else if (r.interval == 0) {
        rest += ", interval 0 (every reply)";
    }
    rest += "   " + v.path;
}

void Title(QPainter &p, const QRect &area, const plat::RecordView &v) {
    QString bold, rest;
    Summary(v, bold, rest);
    plot::UseFont(p);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(plot::kFontPixels + 1);
    p.setFont(f);
    p.setPen(Qt::black);
    int x = area.left() + kLeft, y = area.top() + 22;
    p.drawText(x, y, bold);
    x += QFontMetrics(f).horizontalAdvance(bold);
    f.setBold(false);
    f.setPixelSize(plot::kFontPixels);
    p.setFont(f);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.drawText(QRect(x, area.top(), area.right() - kRight - x, 30),
               Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
               QFontMetrics(f).elidedText(rest, Qt::ElideMiddle, area.right() - kRight - x));
}

// Grid lines of both axes in every pane; the time axis's marks, labels and title under the lower.
void Axes(QPainter &p, const QRect &area, const plat::RecordView &v) {
    plot::Ticks x = XTicks(v);
    for (int pane = 0; pane < plat::kPanes; pane++) {
        plot::Area a = AreaOf(v, pane);
        plot::Ticks y = YTicks(v, pane);
        plot::Grid(p, a, &x, &y);
        plot::YAxis(p, a, y, kLeft, kPaneTitles[pane]);
    }
    plot::XAxis(p, AreaOf(v, plat::kPanes - 1), x, area.right() + 1, RecordXTitle(v.rec), TimeLabel,
                &v);
}

// The pane's two traces named in its top right corner, on a light ground over the traces.
void Legend(QPainter &p, int pane, const QRect &plot) {
    QFontMetrics fm(p.font());
    int width = 0;
    for (int c = 2 * pane; c < 2 * pane + 2; c++)
        width += 24 + fm.horizontalAdvance(kTraces[c].name) + 14;
    int x = plot.right() - 8 - width + 14;
    p.fillRect(QRect(x - 6, plot.top() + 3, width, 18), QColor(255, 255, 255, 220));
    for (int c = 2 * pane; c < 2 * pane + 2; c++) {
        p.setPen(QPen(QColor(kTraces[c].colour), 2.5));
        p.drawLine(x, plot.top() + 12, x + 18, plot.top() + 12);
        x += 24;
        p.setPen(Qt::black);
        p.drawText(x, plot.top() + 16, kTraces[c].name);
        x += fm.horizontalAdvance(kTraces[c].name) + 14;
    }
}

// One trace: per pixel column a stroke from its lowest to its highest value, joined to the
// columns beside it; the samples just outside the range join the edges.
void DrawTrace(QPainter &p, plat::RecordView &v, int c, int pane) {
    const RecordData &r = v.rec;
    plot::Area a = AreaOf(v, pane);
    const std::vector<RecordSpan> &spans = v.spans[c];
    QVector<QLineF> lines;
    lines.reserve(int(spans.size()) * 2 + 2);
    QPointF prev;
    bool have = false;
    int64_t before = RecordSampleAt(r, v.x0) - 1;
    if (before >= 0) {
        prev = QPointF(plot::Px(a, RecordX(r, before)), plot::Py(a, r.column[c][before]));
        have = true;
    }
    double wide = a.width / (v.x1 - v.x0); // pixels per recorded line
    QVector<QPointF> dots;
    for (size_t i = 0; i < spans.size(); i++) {
        const RecordSpan &s = spans[i];
        if (!s.any) continue;
        double x = a.left + double(i) + 0.5;
        QPointF first(x, plot::Py(a, s.first));
        if (have) lines.append(QLineF(prev, first));
        if (s.lo != s.hi) lines.append(QLineF(x, plot::Py(a, s.lo), x, plot::Py(a, s.hi)));
        if (wide >= 6 || r.samples == 1) dots.append(first); // single samples stand out
        prev = QPointF(x, plot::Py(a, s.last));
        have = true;
    }
    int64_t after = RecordSampleAt(r, v.x1);
    if (have && after < r.samples)
        lines.append(
            QLineF(prev, QPointF(plot::Px(a, RecordX(r, after)), plot::Py(a, r.column[c][after]))));
    p.setPen(QPen(QColor(kTraces[c].colour), 1.2));
    p.drawLines(lines);
    p.setBrush(QColor(kTraces[c].colour));
    for (const QPointF &d : dots)
        p.drawEllipse(d, 2.2, 2.2);
    p.setBrush(Qt::NoBrush);
}

void Cursor(QPainter &p, const plat::RecordView &v) {
    const RecordData &r = v.rec;
    if (v.cursor < 0 || v.cursor >= r.samples) return;
    double x = RecordX(r, v.cursor);
    if (x < v.x0 || x >= v.x1) return;
    for (int pane = 0; pane < plat::kPanes; pane++) {
        plot::Area a = AreaOf(v, pane);
        double px = plot::Px(a, x);
        p.setPen(QPen(QColor(QRgb(RGB_CURSOR)), 1, Qt::DashLine));
        p.drawLine(QPointF(px, a.top), QPointF(px, a.top + a.height));
        for (int c = 2 * pane; c < 2 * pane + 2; c++) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(kTraces[c].colour));
            p.drawEllipse(QPointF(px, plot::Py(a, r.column[c][v.cursor])), 3.5, 3.5);
        }
    }
    p.setBrush(Qt::NoBrush);
}

void Faults(QPainter &p, const QRect &area, const plat::RecordView &v, int lines) {
    p.setPen(QColor(0xB0, 0x00, 0x00));
    QStringList all = QString::fromLocal8Bit(v.rec.message).split('\n', Qt::SkipEmptyParts);
    int y = area.bottom() - lines * kLineHeight - 3;
    for (const QString &line : all) {
        p.drawText(QRect(area.left() + 12, y, area.width() - 24, kLineHeight),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, "⚠ " + line);
        y += kLineHeight;
    }
}
} // namespace

namespace plat {

double FullX0(const RecordView &) {
    return 0;
}

double FullX1(const RecordView &v) {
    return (v.rec.samples ? RecordX(v.rec, v.rec.samples - 1) : 1) + 0.5;
}

void ShowWhole(RecordView &v) {
    v.x0 = FullX0(v);
    v.x1 = FullX1(v);
    v.yFixed[0] = v.yFixed[1] = false;
}

void PaintRecordView(QPainter &p, const QRect &area, RecordView &v) {
    plot::Ground(p, area.left(), area.top(), area.width(), area.height());
    p.setRenderHint(QPainter::Antialiasing, true);
    int faults = int(QString::fromLocal8Bit(v.rec.message).split('\n', Qt::SkipEmptyParts).size());
    int footer = faults ? faults * kLineHeight + 8 : 0;
    int left = area.left() + kLeft, width = area.width() - kLeft - kRight;
    int height = std::max(20, (area.height() - kTop - kBottom - kGap - footer) / kPanes);
    for (int pane = 0; pane < kPanes; pane++)
        v.plot[pane] = QRect(left, area.top() + kTop + pane * (height + kGap), width, height);
    Envelope(v, std::max(1, width));
    Title(p, area, v);
    for (int pane = 0; pane < kPanes; pane++)
        if (!v.yFixed[pane]) Fit(v, pane);
    Axes(p, area, v);
    for (int pane = 0; pane < kPanes; pane++) {
        plot::Area a = AreaOf(v, pane);
        p.save();
        plot::Clip(p, a);
        for (int c = 2 * pane; c < 2 * pane + 2; c++)
            DrawTrace(p, v, c, pane);
        Legend(p, pane, v.plot[pane]);
        p.restore();
        plot::Frame(p, a);
    }
    Cursor(p, v);
    if (faults) Faults(p, area, v, faults);
}

double XAt(const RecordView &v, int pixelX) {
    return plot::XAt(AreaOf(v, 0), pixelX + 0.5); // the middle of the pixel column
}

double ValueAt(const RecordView &v, int pane, int pixelY) {
    return plot::YAt(AreaOf(v, pane), pixelY);
}

int PaneAt(const RecordView &v, int pixelY) {
    for (int pane = 0; pane < kPanes; pane++)
        if (pixelY >= v.plot[pane].top() && pixelY <= v.plot[pane].bottom()) return pane;
    return -1;
}

} // namespace plat
