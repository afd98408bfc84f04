// Indicators: read-only numeric displays take a new value at once for reading back, and show it
// on the panel at the next event processing or display frame, drawn by a light face.
#include "direct.h"
#include "frame_timer.h"
#include "panels.h"
#include "plot.h"
#include "runtime.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGlyphRun>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRawFont>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

// The live loop writes eleven indicators after every reply. A spin box shows a new value by
// shaping and laying out its text, then repaints itself and the group box beneath it: about 2%
// of a core at 25 replies/s. A face covers the box's text field and draws the number itself on
// a copy of the empty field; the box takes the value when the updates pause, for whoever reads
// its text (accessibility tools).
namespace {
class Face;
constexpr int kMaxFaces = 64;     // more indicators than the panels have
constexpr int kMaxFieldBoxes = 8; // pieces of a face's repaint region copied without the painter
struct FaceOfBox {
    const QSpinBox *box;
    Face *face;
};
FaceOfBox g_faces[kMaxFaces]; // every face and its box, while both live
int g_nFaces = 0;

class Face : public QWidget {
  public:
    Face(QSpinBox *box, QLineEdit *edit) : QWidget(box), box(box), edit(edit), shown(box->value()) {
        setAttribute(Qt::WA_OpaquePaintEvent); // the group box beneath is never repainted
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        edit->installEventFilter(this);
        Follow();
        if (g_nFaces < kMaxFaces) g_faces[g_nFaces++] = {box, this};
    }
    ~Face() override {
        for (int i = 0; i < g_nFaces; i++)
            if (g_faces[i].face == this) g_faces[i] = g_faces[--g_nFaces];
    }
    void Show(int value) {
        if (value == shown) return;
        shown = value;
        update();
    }
    void Sync() { // the box takes the shown value, for whoever reads its text
        if (box->value() == shown) return;
        const QSignalBlocker block(box);
        box->setValue(shown);
    }
    int Shown() const { return shown; }

  protected:
    bool eventFilter(QObject *, QEvent *ev) override {
        switch (ev->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::FontChange: Follow(); break;
        default: break;
        }
        return false;
    }
    void changeEvent(QEvent *ev) override { // enabled, palette, style: the field looks different
        Forget();
        QWidget::changeEvent(ev);
    }
    void paintEvent(QPaintEvent *e) override;

  private:
    void Follow() {
        setGeometry(edit->geometry());
        setVisible(edit->isVisibleTo(box));
        raise();
        Forget();
    }
    void Forget() { // the field and the font are taken afresh at the next paint
        field = QImage();
        glyphFont = QRawFont();
    }
    void Take();
    bool Table();
    qreal Glyphs();       // lays out the shown value in glyphs and at; its width
    QString Text() const; // the shown value as the box writes it
    struct Glyph {
        quint32 index = 0;
        qreal advance = 0;
    };
    QSpinBox *box;
    QLineEdit *edit;                // the box's own text field, under the face
    int shown;                      // the value drawn
    QImage field;                   // the box's empty text field under the face, device pixels
    QRawFont glyphFont;             // the line edit's font, for its digits
    int ascent = 0, lineHeight = 0; // of that font, pixels
    bool table = false;             // digit and minus hold the locale's number glyphs
    Glyph digit[10], minus;
    QList<quint32> glyphs; // the number laid out, kept so a paint allocates nothing
    QList<QPointF> at;
};

QString Face::Text() const {
    QString n = box->locale().toString(shown);
    if (!box->isGroupSeparatorShown()) n.remove(box->locale().groupSeparator());
    return box->prefix() + n + box->suffix();
}

// The box paints the whole field, its line edit and this face not. An opaque field is copied
// onto the window rather than blended, at a fraction of the cost.
void Face::Take() {
    qreal dpr = devicePixelRatioF();
    QImage image(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    box->render(&image, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    bool opaque = true;
    for (int y = 0; y < image.height() && opaque; y++) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width() && opaque; x++)
            opaque = qAlpha(row[x]) == 255;
    }
    field = opaque ? image.convertToFormat(QImage::Format_RGB32) : image;
    glyphFont = QRawFont::fromFont(edit->font());
    QFontMetrics fm(edit->font());
    ascent = fm.ascent();
    lineHeight = fm.height();
    table = Table();
}

// A number in the box's locale is its minus sign and its digits, one glyph each, in most
// locales: then they are looked up once, and a paint needs no text at all. Where that does
// not hold (prefix, suffix, group separators, other scripts), the text is converted each time.
bool Face::Table() {
    QLocale locale = box->locale();
    auto one = [this](const QString &text, Glyph *g) {
        QList<quint32> index = glyphFont.glyphIndexesForString(text);
        if (index.size() != 1) return false;
        g->index = index[0];
        g->advance = glyphFont.advancesForGlyphIndexes(index).value(0).x();
        return true;
    };
    QString probe = locale.negativeSign();
    for (int d = 9; d >= 0; d--) {
        if (!one(locale.toString(d), &digit[d])) return false;
        probe += locale.toString(d);
    }
    if (!one(locale.negativeSign(), &minus)) return false;
    QString written = locale.toString(-9876543210LL);
    written.remove(locale.groupSeparator());
    return written == probe;
}

qreal Face::Glyphs() {
    if (!table || !box->prefix().isEmpty() || !box->suffix().isEmpty() ||
        box->isGroupSeparatorShown()) {
        glyphs = glyphFont.glyphIndexesForString(Text());
        at = glyphFont.advancesForGlyphIndexes(glyphs);
        qreal x = 0;
        for (QPointF &a : at) {
            qreal advance = a.x();
            a = QPointF(x, 0);
            x += advance;
        }
        return x;
    }
    unsigned magnitude = shown < 0 ? 0u - unsigned(shown) : unsigned(shown);
    int figures[10], k = 0;
    do {
        figures[k++] = int(magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    int n = k + (shown < 0 ? 1 : 0);
    glyphs.resize(n);
    at.resize(n);
    qreal x = 0;
    for (int i = 0; i < n; i++) {
        const Glyph &g = (shown < 0 && i == 0) ? minus : digit[figures[n - 1 - i]];
        glyphs[i] = g.index;
        at[i] = QPointF(x, 0);
        x += g.advance;
    }
    return x;
}

// The text sits where the box's own line edit puts it: right-aligned in the field less the
// edit's 2-pixel margins and a pixel for the cursor, centred on the font's height.
void Face::paintEvent(QPaintEvent *e) {
    if (field.isNull() || !glyphFont.isValid()) Take();
    QPainter p(this);
    plat::Device d;
    plot::Box boxes[kMaxFieldBoxes];
    int n = -1;
    if (field.format() == QImage::Format_RGB32 && plat::DirectDevice(p, &d) &&
        field.devicePixelRatio() == d.scale)
        n = plat::DeviceBoxes(d, e->region(), rect(), boxes, kMaxFieldBoxes);
    plot::Canvas from = n > 0 ? plat::CanvasOf(field) : plot::Canvas{};
    if (from.bits) { // an opaque field goes straight into the window's pixels
        plat::CopyFromImage(d, boxes, n, from);
    } else {
        p.drawImage(0, 0, field);
    }
    // Digits need no shaping: their glyphs and advances come straight from the font's tables,
    // where laying the text out as the line edit does would cost ten times as much.
    qreal width = Glyphs();
    QGlyphRun run;
    run.setRawFont(glyphFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(at);
    p.setPen(edit->palette().color(edit->isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::Text));
    constexpr int kMargin = 2;
    QRect line(kMargin, (height() - lineHeight + 1) / 2, this->width() - 2 * kMargin, lineHeight);
    p.drawGlyphRun(QPointF(line.right() - qRound(width) - 1, line.y() + ascent), run);
}

Face *FaceOf(const QSpinBox *box) { // asked after every reply: a list, not a cast of each child
    for (int i = 0; i < g_nFaces; i++)
        if (g_faces[i].box == box) return g_faces[i].face;
    if (g_nFaces < kMaxFaces) return nullptr;
    for (QObject *child : box->children()) // more faces than the list holds
        if (auto *face = dynamic_cast<Face *>(child)) return face;
    return nullptr;
}

constexpr int kMaxPending = 32; // more indicators than the panels have

struct Pending {
    QPointer<Face> face;
    int value; // already within the box's range, as the box would hold it
};
Pending g_pending[kMaxPending];
int g_nPending = 0;

void SyncBoxes(); // once the updates pause

// Values that come slower than the display's frames (the live loop's 25 a second) are shown at
// the next event processing, as the strip charts are: a frame timer ticking at 60 Hz for them
// would wake the program some 35 times a second for nothing. Faster values wait for the frame
// timer, which shows the newest of them once a frame. The boxes take the shown values once a
// slow timer (a quarter second a tick) has seen nothing shown for more than two ticks.
constexpr int kFrameIdleTicks = 1; // the frame timer stops once values come slower again
constexpr int kQuietFramesPerTick = 15;
constexpr int kQuietTicks = 2;
plot::FrameGate g_gate;        // when values were last shown
bool g_posted = false;         // a show is posted to the next event processing
bool g_shownSinceTick = false; // values were shown since the quiet timer's last tick

plat::FrameTimer *Frames() {
    static QPointer<plat::FrameTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance())
        t = new plat::FrameTimer(
            QCoreApplication::instance(),
            [] {
                if (g_nPending == 0) return false;
                plat::ShowIndicators();
                return true;
            },
            nullptr, kFrameIdleTicks);
    return t;
}

plat::FrameTimer *Quiet() {
    static QPointer<plat::FrameTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance())
        t = new plat::FrameTimer(
            QCoreApplication::instance(),
            [] {
                bool shown = g_shownSinceTick;
                g_shownSinceTick = false;
                return shown;
            },
            SyncBoxes, kQuietTicks, kQuietFramesPerTick);
    return t;
}

class Poster : public QObject { // receives the posted shows
  protected:
    void customEvent(QEvent *) override {
        g_posted = false;
        if (g_nPending > 0) plat::ShowIndicators();
    }
};

QObject *Posts() {
    static QPointer<Poster> p; // owned by the application object
    if (!p && QCoreApplication::instance()) {
        p = new Poster;
        p->setParent(QCoreApplication::instance());
    }
    return p;
}

void Schedule(const QWidget *box) {
    Quiet()->Arm(box);
    if (g_posted) return; // a show is on its way
    plat::FrameTimer *frames = Frames();
    if (frames->isActive()) return; // values faster than the frames: the timer shows them
    if (!g_gate.Due(Timer(), plat::FramePeriodOf(box))) {
        frames->Arm(box);
    } else {
        g_posted = true;
        QCoreApplication::postEvent(Posts(), new QEvent(QEvent::User));
    }
}

Pending *Find(const Face *face) {
    for (int i = 0; i < g_nPending; i++)
        if (g_pending[i].face == face) return &g_pending[i];
    return nullptr;
}

// Faces whose box may still hold an older value; at most one entry a face.
QPointer<Face> g_unsynced[kMaxPending];
int g_nUnsynced = 0;

void MarkUnsynced(Face *face) {
    for (int i = 0; i < g_nUnsynced; i++)
        if (g_unsynced[i] == face) return;
    if (g_nUnsynced < kMaxPending)
        g_unsynced[g_nUnsynced++] = face;
    else
        face->Sync();
}

void SyncBoxes() {
    int n = g_nUnsynced;
    g_nUnsynced = 0;
    for (int i = 0; i < n; i++)
        if (Face *face = g_unsynced[i]) face->Sync();
}
} // namespace

void plat::MakeIndicator(QSpinBox *box) {
    auto *edit = box->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    if (edit && !FaceOf(box)) new Face(box, edit);
}

bool plat::SetIndicator(QSpinBox *box, int value) {
    Face *face = FaceOf(box);
    plat::FrameTimer *frames = Frames();
    if (!face || !frames) return false; // not an indicator: set the box itself
    value = std::clamp(value, box->minimum(), box->maximum());
    if (Pending *p = Find(face)) {
        p->value = value;
        return true;
    }
    if (face->Shown() == value) return true;
    if (g_nPending == kMaxPending) { // more than the panels have: shown at once instead
        face->Show(value);
        MarkUnsynced(face);
        g_shownSinceTick = true;
        Quiet()->Arm(box);
        return true;
    }
    g_pending[g_nPending++] = {face, value};
    Schedule(box);
    return true;
}

int plat::IndicatorValue(const QSpinBox *box) {
    const Face *face = FaceOf(box);
    if (!face) return box->value();
    const Pending *p = Find(face);
    return p ? p->value : face->Shown();
}

void plat::ShowIndicators() {
    int n = g_nPending;
    g_nPending = 0; // before the faces change: a value set meanwhile waits for the next frame
    g_gate.last = Timer();
    g_shownSinceTick = true;
    for (int i = 0; i < n; i++)
        if (Face *face = g_pending[i].face) {
            face->Show(g_pending[i].value);
            MarkUnsynced(face);
        }
}

void plat::ForgetIndicators() {
    g_nPending = 0;
    g_nUnsynced = 0;
    g_gate = {};
    g_posted = false; // a show still posted finds nothing to show
    g_shownSinceTick = false;
    if (plat::FrameTimer *frames = Frames()) frames->stop();
    if (plat::FrameTimer *quiet = Quiet()) quiet->stop();
}

int ShownCtrlVal(int panel, int control) {
    auto *box = qobject_cast<QSpinBox *>(plat::CtrlWidget(panel, control));
    if (!box) return -1;
    const Face *face = FaceOf(box);
    return face ? face->Shown() : box->value();
}
