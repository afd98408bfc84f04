// The faces of indicator boxes. A face covers its box's text field and draws the number itself
// on a copy of the empty field; one layer above the boxes of a parent draws all their faces.
#include "faces.h"
#include "direct.h"
#include "plot.h"

#include <QEvent>
#include <QGlyphRun>
#include <QLineEdit>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QWidget>

namespace {
constexpr int kMaxFaces = 64;     // faces of one layer: more indicators than the panels have
constexpr int kMaxLayers = 16;    // more parents of indicators than the panels have
constexpr int kMaxFieldBoxes = 8; // pieces of a face's repaint region copied without the painter
QPointer<plat::FaceLayer> g_layers[kMaxLayers];
} // namespace

// The live loop changes eight indicators after every reply. Each widget the toolkit repaints
// costs it a region of its own, the siblings above it subtracted and a painter begun, more than
// drawing the number: the faces under one parent are drawn by one widget above their boxes,
// shaped to their fields, in one paint.
class plat::FaceLayer : public QWidget {
  public:
    explicit FaceLayer(QWidget *parent) : QWidget(parent) {
        setAttribute(Qt::WA_OpaquePaintEvent); // a field is copied whole; nothing beneath shows
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(parent->rect());
        parent->installEventFilter(this);
        hide(); // until a face shows
    }
    bool HasRoom() const { return n < kMaxFaces; }
    Face *Of(const QSpinBox *box) const {
        for (int i = 0; i < n; i++)
            if (faces[i]->Box() == box) return faces[i];
        return nullptr;
    }
    void Add(Face *f) { faces[n++] = f; }
    void Remove(const Face *f) {
        for (int i = 0; i < n; i++)
            if (faces[i] == f) faces[i] = faces[--n];
        Reshape();
    }
    void Reshape() { // shaped to the fields that show, above the boxes
        QRegion fields;
        for (int i = 0; i < n; i++)
            if (faces[i]->Visible()) fields += faces[i]->Uncovered();
        if (fields == shape && isVisibleTo(parentWidget()) == !fields.isEmpty()) return;
        shape = fields;
        if (fields.isEmpty()) {
            hide();
            return;
        }
        setMask(fields);
        raise();
        show();
    }

  protected:
    bool eventFilter(QObject *watched, QEvent *ev) override {
        if (watched == parentWidget() && ev->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return false;
    }
    void paintEvent(QPaintEvent *e) override {
        QPainter p(this);
        for (int i = 0; i < n; i++)
            if (faces[i]->Visible() && e->region().intersects(faces[i]->Rect()))
                faces[i]->Paint(p, faces[i]->Rect().topLeft(), e->region());
    }

  private:
    Face *faces[kMaxFaces];
    int n = 0;
    QRegion shape; // the fields the mask shows
};

static plat::FaceLayer *LayerOf(const QWidget *parent) { // nullptr: none yet
    for (auto &l : g_layers)
        if (l && l->parentWidget() == parent) return l;
    return nullptr;
}

static plat::FaceLayer *NewLayer(QWidget *parent) { // nullptr: more parents than there is room
    for (auto &l : g_layers)
        if (!l) return l = new plat::FaceLayer(parent);
    return nullptr;
}

using plat::Face;

Face::Face(QSpinBox *box, QLineEdit *edit, FaceLayer *layer)
    : QObject(box), box(box), edit(edit), layer(layer), shown(box->value()) {
    edit->installEventFilter(this);
    box->installEventFilter(this);
    layer->Add(this);
    Follow();
}

Face::~Face() {
    if (layer) layer->Remove(this);
}

void Face::Show(int value) {
    if (value == shown) return;
    shown = value;
    if (layer && visible) layer->update(rect);
}

void Face::Sync() {
    if (box->value() == shown) return;
    const QSignalBlocker block(box);
    box->setValue(shown);
}

bool Face::eventFilter(QObject *watched, QEvent *ev) {
    switch (ev->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent: // shown or hidden before the window first shows
    case QEvent::HideToParent: Follow(); break;
    case QEvent::EnabledChange: // the box's own tells; the edit's follows it
        if (watched != box) break;
        [[fallthrough]];
    case QEvent::FontChange: // the field looks different
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::LocaleChange:
        Forget();
        if (layer && visible) layer->update(rect);
        break;
    default: break;
    }
    return false;
}

void Face::Follow() {
    if (!layer) return;
    QRect now(edit->mapTo(layer->parentWidget(), QPoint()), edit->size());
    bool shows = edit->isVisibleTo(box) && box->isVisibleTo(layer->parentWidget());
    bool moved = now != rect || shows != visible;
    if (moved) Forget();
    rect = now;
    visible = shows;
    layer->Reshape();
    if (moved && visible) layer->update(rect);
}

QPoint Face::FieldInBox() const {
    return edit->geometry().topLeft();
}

// The field less the controls stacked above its box, which cover the face as they cover the
// field (as they stand when the face last followed its box).
QRegion Face::Uncovered() const {
    QRegion shows(rect);
    QWidget *parent = layer ? layer->parentWidget() : nullptr;
    if (!parent) return shows;
    const QObjectList &siblings = parent->children();
    for (qsizetype i = siblings.indexOf(box) + 1; i > 0 && i < siblings.size(); i++) {
        auto *w = qobject_cast<QWidget *>(siblings[i]);
        if (w && w != layer && w->isVisibleTo(parent)) shows -= w->geometry();
    }
    return shows;
}

void Face::Forget() {
    field = QImage();
    glyphFont = QRawFont();
}

QString Face::Text() const {
    QString n = box->locale().toString(shown);
    if (!box->isGroupSeparatorShown()) n.remove(box->locale().groupSeparator());
    return box->prefix() + n + box->suffix();
}

// The box paints the whole field, its line edit and this face not. An opaque field is copied
// onto the window rather than blended, at a fraction of the cost.
void Face::Take() {
    qreal dpr = box->devicePixelRatioF();
    QImage image(rect.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    box->render(&image, QPoint(), QRegion(edit->geometry()), QWidget::DrawWindowBackground);
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
void Face::Paint(QPainter &p, QPoint origin, const QRegion &region) {
    if (field.isNull() || !glyphFont.isValid()) Take();
    plat::Device fd;
    plot::Box boxes[kMaxFieldBoxes];
    int n = -1;
    if (field.format() == QImage::Format_RGB32 && plat::DirectDevice(p, &fd) &&
        field.devicePixelRatio() == fd.scale) {
        fd.offset += origin * fd.scale;
        n = plat::DeviceBoxes(fd, region.translated(-origin), QRect(QPoint(), rect.size()), boxes,
                              kMaxFieldBoxes);
    }
    plot::Canvas from = n > 0 ? plat::CanvasOf(field) : plot::Canvas{};
    if (from.bits) { // an opaque field goes straight into the window's pixels
        plat::CopyFromImage(fd, boxes, n, from);
    } else {
        p.drawImage(origin, field);
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
    QRect line(kMargin, (rect.height() - lineHeight + 1) / 2, rect.width() - 2 * kMargin,
               lineHeight);
    QPointF start(origin.x() + line.right() - qRound(width) - 1, origin.y() + line.y() + ascent);
    bool wide = start.x() < origin.x(); // a number wider than the field stays in it, as the
    if (wide) {                         // box's own would
        p.save();
        p.setClipRect(QRect(origin, rect.size()), Qt::IntersectClip);
    }
    p.drawGlyphRun(start, run);
    if (wide) p.restore();
}

Face *plat::MakeFace(QSpinBox *box) {
    if (Face *face = FaceOf(box)) return face;
    auto *edit = box->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    QWidget *parent = box->parentWidget();
    FaceLayer *layer = parent ? LayerOf(parent) : nullptr;
    if (parent && !layer) layer = NewLayer(parent);
    return edit && layer && layer->HasRoom() ? new Face(box, edit, layer) : nullptr;
}

// Asked after every reply: two short lists, not a cast of each of the box's children.
Face *plat::FaceOf(const QSpinBox *box) {
    FaceLayer *layer = box->parentWidget() ? LayerOf(box->parentWidget()) : nullptr;
    return layer ? layer->Of(box) : nullptr;
}

// The layer that draws the face is no part of the box: a picture of the box alone gets it here.
void plat::PaintFaceOver(const QSpinBox *box, QImage &picture) {
    Face *face = FaceOf(box);
    if (!face || !face->Visible()) return;
    QPainter p(&picture);
    QPoint at = face->FieldInBox();
    face->Paint(p, at, QRegion(QRect(at, face->Rect().size())));
}
