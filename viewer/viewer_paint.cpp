// Drawing of a recording: NORM A/B above, ADC A/B below against one time axis, each trace drawn
// as its per-pixel minimum/maximum envelope, so millions of lines cost one stroke per column.
#include "palette.h"
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
constexpr TraceStyle kTraces[REC_COLUMNS] = {
    {"NORM A", RGB_REC_NORM_A},
    {"NORM B", RGB_REC_NORM_B},
    {"ADC A", RGB_REC_ADC_A},
    {"ADC B", RGB_REC_ADC_B}};
const char *const kPaneTitles[plat::kPanes] = {"NORM = 1000·A/Amax", "ADC [ADC units]"};
constexpr int kLeft = 76, kRight = 18, kTop = 34, kGap = 22, kBottom = 44, kLineHeight = 15;

double Step(double wanted) { // 1, 2 or 5 times a power of ten, at least wanted
    double p = std::pow(10.0, std::floor(std::log10(std::max(wanted, 1e-9))));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (p * m >= wanted * 0.999) return p * m;
    return p * 10;
}

double Px(const plat::RecordView &v, const QRect &plot, double x) {
    return plot.left() + (x - v.x0) / (v.x1 - v.x0) * plot.width();
}
double Py(const plat::RecordView &v, int pane, const QRect &plot, double y) {
    return plot.bottom() + 1 - (y - v.y0[pane]) / (v.y1[pane] - v.y0[pane]) * plot.height();
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
    double step = Step((hi - lo + 2 * pad) / 5);
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
    QFont f = p.font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() + 1);
    p.setFont(f);
    p.setPen(Qt::black);
    int x = area.left() + kLeft, y = area.top() + 22;
    p.drawText(x, y, bold);
    x += QFontMetrics(f).horizontalAdvance(bold);
    f.setBold(false);
    f.setPointSizeF(f.pointSizeF() - 1);
    p.setFont(f);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.drawText(QRect(x, area.top(), area.right() - kRight - x, 30),
               Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
               QFontMetrics(f).elidedText(rest, Qt::ElideMiddle, area.right() - kRight - x));
}

void YAxis(QPainter &p, const plat::RecordView &v, int pane, const QRect &plot) {
    double step = Step((v.y1[pane] - v.y0[pane]) / std::max(2, plot.height() / 40));
    for (double y = std::ceil(v.y0[pane] / step) * step; y <= v.y1[pane] + 1e-9; y += step) {
        double py = Py(v, pane, plot, y);
        p.setPen(QColor(0xE4, 0xE4, 0xE4));
        p.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
        p.setPen(Qt::black);
        p.drawLine(QPointF(plot.left() - 4, py), QPointF(plot.left(), py));
        QString label = QString::number(y, 'f', step < 1 ? 1 : 0);
        p.drawText(QRectF(plot.left() - 58, py - 8, 52, 16), Qt::AlignRight | Qt::AlignVCenter,
                   label);
    }
    p.save();
    p.translate(plot.left() - 64, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2.0, -14, plot.height(), 16), Qt::AlignCenter,
               kPaneTitles[pane]);
    p.restore();
}

void XAxis(QPainter &p, const plat::RecordView &v, const QRect *plots, bool labels) {
    const QRect &plot = plots[0];
    double step = RecordXStep(v.rec, v.x1 - v.x0, std::max(2, plot.width() / 110));
    for (double x = std::ceil(v.x0 / step) * step; x <= v.x1; x += step) {
        double px = Px(v, plot, x);
        for (int pane = 0; pane < plat::kPanes; pane++) {
            p.setPen(QColor(0xE4, 0xE4, 0xE4));
            p.drawLine(QPointF(px, plots[pane].top()), QPointF(px, plots[pane].bottom()));
        }
        if (!labels) continue;
        const QRect &low = plots[plat::kPanes - 1];
        char t[40];
        RecordXText(v.rec, x, t, sizeof t);
        p.setPen(Qt::black);
        p.drawLine(QPointF(px, low.bottom() + 1), QPointF(px, low.bottom() + 5));
        double at = std::clamp(px - 60, 0.0, double(p.device()->width()) - 122); // not cut
        p.drawText(QRectF(at, low.bottom() + 5, 120, 16), Qt::AlignCenter, t);
    }
    if (!labels) return;
    const QRect &low = plots[plat::kPanes - 1];
    p.drawText(QRectF(low.left(), low.bottom() + 21, low.width(), 16), Qt::AlignCenter,
               RecordXTitle(v.rec));
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
void DrawTrace(QPainter &p, plat::RecordView &v, int c, int pane, const QRect &plot) {
    const RecordData &r = v.rec;
    const std::vector<RecordSpan> &spans = v.spans[c];
    QVector<QLineF> lines;
    lines.reserve(int(spans.size()) * 2 + 2);
    QPointF prev;
    bool have = false;
    int64_t before = RecordSampleAt(r, v.x0) - 1;
    if (before >= 0) {
        prev = QPointF(Px(v, plot, RecordX(r, before)), Py(v, pane, plot, r.column[c][before]));
        have = true;
    }
    double wide = plot.width() / (v.x1 - v.x0); // pixels per recorded line
    QVector<QPointF> dots;
    for (size_t i = 0; i < spans.size(); i++) {
        const RecordSpan &s = spans[i];
        if (!s.any) continue;
        double x = plot.left() + double(i) + 0.5;
        QPointF first(x, Py(v, pane, plot, s.first));
        if (have) lines.append(QLineF(prev, first));
        if (s.lo != s.hi)
            lines.append(QLineF(x, Py(v, pane, plot, s.lo), x, Py(v, pane, plot, s.hi)));
        if (wide >= 6 || r.samples == 1) dots.append(first); // single samples stand out
        prev = QPointF(x, Py(v, pane, plot, s.last));
        have = true;
    }
    int64_t after = RecordSampleAt(r, v.x1);
    if (have && after < r.samples)
        lines.append(QLineF(
            prev, QPointF(Px(v, plot, RecordX(r, after)), Py(v, pane, plot, r.column[c][after]))));
    p.setPen(QPen(QColor(kTraces[c].colour), 1.2));
    p.drawLines(lines);
    p.setBrush(QColor(kTraces[c].colour));
    for (const QPointF &d : dots)
        p.drawEllipse(d, 2.2, 2.2);
    p.setBrush(Qt::NoBrush);
}

void Cursor(QPainter &p, const plat::RecordView &v, const QRect *plots) {
    const RecordData &r = v.rec;
    if (v.cursor < 0 || v.cursor >= r.samples) return;
    double x = RecordX(r, v.cursor);
    if (x < v.x0 || x >= v.x1) return;
    for (int pane = 0; pane < plat::kPanes; pane++) {
        double px = Px(v, plots[pane], x);
        p.setPen(QPen(QColor(0xA0, 0x00, 0xA0), 1, Qt::DashLine));
        p.drawLine(QPointF(px, plots[pane].top()), QPointF(px, plots[pane].bottom()));
        for (int c = 2 * pane; c < 2 * pane + 2; c++) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(kTraces[c].colour));
            p.drawEllipse(QPointF(px, Py(v, pane, plots[pane], r.column[c][v.cursor])), 3.5, 3.5);
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
    p.fillRect(area, Qt::white);
    p.setRenderHint(QPainter::Antialiasing, true);
    int faults = int(QString::fromLocal8Bit(v.rec.message).split('\n', Qt::SkipEmptyParts).size());
    int footer = faults ? faults * kLineHeight + 8 : 0;
    int left = area.left() + kLeft, width = area.width() - kLeft - kRight;
    int height = std::max(20, (area.height() - kTop - kBottom - kGap - footer) / kPanes);
    for (int pane = 0; pane < kPanes; pane++)
        v.plot[pane] = QRect(left, area.top() + kTop + pane * (height + kGap), width, height);
    Envelope(v, std::max(1, width));
    Title(p, area, v);
    for (int pane = 0; pane < kPanes; pane++) {
        if (!v.yFixed[pane]) Fit(v, pane);
        YAxis(p, v, pane, v.plot[pane]);
    }
    XAxis(p, v, v.plot, true);
    for (int pane = 0; pane < kPanes; pane++) {
        p.save();
        p.setClipRect(v.plot[pane]);
        for (int c = 2 * pane; c < 2 * pane + 2; c++)
            DrawTrace(p, v, c, pane, v.plot[pane]);
        Legend(p, pane, v.plot[pane]);
        p.restore();
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(QRectF(v.plot[pane]).adjusted(-0.5, -0.5, 0.5, 0.5));
    }
    Cursor(p, v, v.plot);
    if (faults) Faults(p, area, v, faults);
}

double XAt(const RecordView &v, int pixelX) {
    const QRect &plot = v.plot[0];
    return v.x0 + (pixelX - plot.left() + 0.5) / std::max(1, plot.width()) * (v.x1 - v.x0);
}

double ValueAt(const RecordView &v, int pane, int pixelY) {
    const QRect &plot = v.plot[pane];
    return v.y0[pane] + double(plot.bottom() + 1 - pixelY) / std::max(1, plot.height()) *
                            (v.y1[pane] - v.y0[pane]);
}

int PaneAt(const RecordView &v, int pixelY) {
    for (int pane = 0; pane < kPanes; pane++)
        if (pixelY >= v.plot[pane].top() && pixelY <= v.plot[pane].bottom()) return pane;
    return -1;
}

} // namespace plat
