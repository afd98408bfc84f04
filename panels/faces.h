// The faces of indicator boxes: each box's number drawn on a copy of its empty text field, and
// all the faces under one parent drawn by one layer above the boxes. Private to the panels room.
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRawFont>
#include <QRect>
#include <QRegion>

class QLineEdit;
class QPainter;
class QSpinBox;

namespace plat {
class FaceLayer;

// A face belongs to its box (a child object, it goes with the box) and is drawn by its layer.
class Face : public QObject {
  public:
    Face(QSpinBox *box, QLineEdit *edit, FaceLayer *layer);
    ~Face() override;
    void Show(int value); // drawn at the layer's next paint
    void Sync();          // the box takes the shown value, for whoever reads its text
    int Shown() const { return shown; }
    bool Visible() const { return visible; }
    QRect Rect() const { return rect; } // on the layer
    QRegion Uncovered() const;          // of the rect, what no control stacked above covers
    QPoint FieldInBox() const;          // where the text field sits in its box
    const QSpinBox *Box() const { return box; }
    // The face with its top left at `origin` of the painter's coordinates, within `region`; an
    // opaque field is copied straight into the device's pixels where they may be written.
    void Paint(QPainter &p, QPoint origin, const QRegion &region);

  protected:
    bool eventFilter(QObject *watched, QEvent *ev) override;

  private:
    void Follow(); // where the box's text field is now, and whether it shows
    void Forget(); // the field and the font are taken afresh at the next paint
    void Take();
    bool Table();
    qreal Glyphs();       // lays out the shown value in glyphs and at; its width
    QString Text() const; // the shown value as the box writes it
    struct Glyph {
        quint32 index = 0;
        qreal advance = 0;
    };
    QSpinBox *box;
    QLineEdit *edit; // the box's own text field, under the face
    QPointer<FaceLayer> layer;
    QRect rect;                     // the text field on the layer
    bool visible = false;           // the field shows
    int shown;                      // the value drawn
    QImage field;                   // the box's empty text field, device pixels
    QRawFont glyphFont;             // the line edit's font, for its digits
    int ascent = 0, lineHeight = 0; // of that font, pixels
    bool table = false;             // digit and minus hold the locale's number glyphs
    Glyph digit[10], minus;
    QList<quint32> glyphs; // the number laid out, kept so a paint allocates nothing
    QList<QPointF> at;
};

Face *MakeFace(QSpinBox *box);     // the box's face, made if it has none; nullptr: no field
Face *FaceOf(const QSpinBox *box); // nullptr: the box has no face
void PaintFaceOver(const QSpinBox *box, QImage &picture); // a picture of the box, its face on it
} // namespace plat
