// Control attributes: dimming, visibility, captions, position, colours and fonts; text boxes;
// controls created at run time and pictures from bitmap files.
#include "charts.h"
#include "panels.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <cstdio>
#include <cstring>

// A control's caption is the label whose buddy it is; it shows, hides and dims with it.
QLabel *plat::Caption(QWidget *w) {
    for (QLabel *l : w->window()->findChildren<QLabel *>())
        if (l->buddy() == w) return l;
    return nullptr;
}

static QString Rgb(int rgb) {
    return QString::asprintf("#%06x", unsigned(rgb) & 0xFFFFFFu);
}

// Numerics and rings take their colours in the palette, only the roles set: a style sheet would
// draw them anew, without the style's frame and arrows.
static bool ApplyPaletteColours(QWidget *w, const QVariant &fg, const QVariant &bg) {
    bool ring = qobject_cast<QComboBox *>(w);
    if (!ring && !qobject_cast<QAbstractSpinBox *>(w)) return false;
    QPalette own; // resolves no role: what is not set here stays the widget's own
    if (fg.isValid()) own.setColor(ring ? QPalette::ButtonText : QPalette::Text, QRgb(fg.toInt()));
    if (bg.isValid()) own.setColor(ring ? QPalette::Button : QPalette::Base, QRgb(bg.toInt()));
    w->setPalette(own);
    return true;
}

// Colours live in a style sheet built from the control's remembered colours.
static void ApplyColours(QWidget *w) {
    QString css;
    QVariant fg = w->property("xvTextColor"), bg = w->property("xvBgColor");
    if (ApplyPaletteColours(w, fg, bg)) return;
    if (fg.isValid()) css += "color:" + Rgb(fg.toInt()) + ";";
    if (bg.isValid()) css += "background-color:" + Rgb(bg.toInt()) + ";border:none;";
    if (!css.isEmpty() && !w->objectName().isEmpty()) // named: not inherited by its children
        css = w->metaObject()->className() + QString("#%1{%2}").arg(w->objectName(), css);
    w->setStyleSheet(css);
}

// VAL_DEFAULT_COLOR forgets the remembered colour, so the control's own look comes back.
static int SetColour(QWidget *w, const char *property, int rgb) {
    w->setProperty(property, rgb == VAL_DEFAULT_COLOR ? QVariant() : QVariant(rgb & 0xFFFFFF));
    ApplyColours(w);
    return 0;
}

static int Colour(QWidget *w, const char *property) {
    QVariant rgb = w->property(property);
    return rgb.isValid() ? rgb.toInt() : VAL_DEFAULT_COLOR;
}

static int SetFontPart(QWidget *w, int attribute, int value) {
    QFont f = w->font();
    if (attribute == ATTR_TEXT_POINT_SIZE) {
        if (value < 1 || value > 200) return -1;
        f.setPixelSize(value); // the panel's pixel layout assumes text sized in pixels
    } else {
        f.setBold(value != 0);
    }
    w->setFont(f);
    if (auto *l = qobject_cast<QLabel *>(w)) l->adjustSize();
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w) return -4;
    switch (attribute) {
    case ATTR_DIMMED:
        w->setEnabled(value == 0);
        if (QLabel *caption = plat::Caption(w)) caption->setEnabled(value == 0);
        return 0;
    case ATTR_VISIBLE:
        w->setVisible(value != 0);
        if (QLabel *caption = plat::Caption(w)) caption->setVisible(value != 0);
        return 0;
    case ATTR_LEFT: w->move(value, w->y()); return 0;
    case ATTR_TOP: w->move(w->x(), value); return 0;
    case ATTR_TEXT_COLOR: return SetColour(w, "xvTextColor", value);
    case ATTR_TEXT_BGCOLOR:
    case ATTR_FRAME_COLOR: return SetColour(w, "xvBgColor", value);
    case ATTR_TEXT_POINT_SIZE:
    case ATTR_TEXT_BOLD: return SetFontPart(w, attribute, value);
    case ATTR_NUM_TRACES:
    case ATTR_POINTS_PER_SCREEN:
    case ATTR_SCROLL_MODE: return plat::SetStripAttribute(panel, control, attribute, value);
    case ATTR_NUM_CURSORS: return plat::SetGraphAttribute(panel, control, attribute, value);
    default: return -1;
    }
}

int SetCtrlAttribute(int panel, int control, int attribute, const char *text) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || !text) return -4;
    if (attribute == ATTR_TEXT_FONT) {
        // The run-time's application font is a narrow one; the condensed cut of ours keeps
        // texts placed by pixel coordinates from running into each other.
        QFont f = w->font();
        bool app = !strcmp(text, "NIApp");
        f.setFamily(app ? QApplication::font().family() : QString::fromLocal8Bit(text));
        f.setStretch(app ? QFont::Condensed : QFont::Unstretched);
        w->setFont(f);
        return 0;
    }
    if (attribute == ATTR_YNAME) return plat::SetGraphTitle(panel, control, text);
    if (attribute != ATTR_LABEL_TEXT) return -1;
    if (QLabel *caption = plat::Caption(w))
        caption->setText(QString::fromLocal8Bit(text));
    else if (auto *b = qobject_cast<QAbstractButton *>(w))
        b->setText(QString::fromLocal8Bit(text));
    else
        return -1;
    return 0;
}

int GetCtrlAttribute(int panel, int control, int attribute, char *text, int size) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || size <= 0) return -4;
    QString s;
    if (attribute == ATTR_YNAME) return plat::GraphTitle(panel, control, text, size);
    if (attribute == ATTR_TEXT_FONT)
        s = w->font().family();
    else if (attribute != ATTR_LABEL_TEXT)
        return -1;
    else if (QLabel *caption = plat::Caption(w))
        s = caption->text();
    else if (auto *b = qobject_cast<QAbstractButton *>(w))
        s = b->text();
    else
        return -1;
    snprintf(text, size_t(size), "%s", s.toLocal8Bit().constData());
    return 0;
}

int GetCtrlAttribute(int panel, int control, int attribute, int &value) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w) return -4;
    switch (attribute) {
    case ATTR_DIMMED: value = w->isEnabledTo(w->window()) ? 0 : 1; return 0;
    case ATTR_VISIBLE: value = w->isVisibleTo(w->window()) ? 1 : 0; return 0;
    case ATTR_LEFT: value = w->x(); return 0;
    case ATTR_TOP: value = w->y(); return 0;
    case ATTR_WIDTH: value = w->width(); return 0;
    case ATTR_HEIGHT: value = w->height(); return 0;
    case ATTR_TEXT_COLOR: value = Colour(w, "xvTextColor"); return 0;
    case ATTR_TEXT_BGCOLOR:
    case ATTR_FRAME_COLOR: value = Colour(w, "xvBgColor"); return 0;
    case ATTR_TEXT_POINT_SIZE: value = w->font().pixelSize(); return 0;
    case ATTR_TEXT_BOLD: value = w->font().bold() ? 1 : 0; return 0;
    default: return -1;
    }
}

int ReplaceTextBoxLine(int panel, int control, int line, const char *text) {
    auto *box = qobject_cast<QPlainTextEdit *>(plat::CtrlWidget(panel, control));
    if (!box || !text || line < 0) return -4;
    QStringList lines = box->toPlainText().split('\n');
    if (line > lines.size()) return -1; // the box has no such line
    if (line == lines.size()) lines.append(QString());
    lines[line] = QString::fromLocal8Bit(text);
    const QSignalBlocker block(box);
    box->setPlainText(lines.join('\n'));
    return 0;
}

int NewCtrl(int panel, int kind, const char *label, int top, int left) {
    QWidget *p = plat::PanelWidget(panel);
    if (!p || kind != CTRL_TEXT_MSG) return -1;
    auto *l = new QLabel(QString::fromLocal8Bit(label ? label : ""), p);
    l->move(left, top);
    l->adjustSize();
    l->show();
    return plat::AddControl(panel, l, KIND_STRING);
}

// A bare bitmap name is looked up among the files that come with the program.
int DisplayImageFile(int panel, int control, const char *file) {
    auto *picture = qobject_cast<QLabel *>(plat::CtrlWidget(panel, control));
    if (!picture || !file) return -4;
    char path[MAX_PATHNAME_LEN] = "";
    if (strchr(file, '/'))
        snprintf(path, sizeof path, "%s", file);
    else if (plat::DataFilePath(file, path) != 0)
        fprintf(stderr, "%s: bitmap %s found neither next to the program nor in ../share/%s\n",
                ProgramName(), file, ProgramName());
    if (plat::g_opt.verbose && path[0]) plat::Log("picture: %s", path);
    QPixmap image(QString::fromLocal8Bit(path));
    picture->setPixmap(image); // a missing file leaves the picture empty
    if (!image.isNull()) picture->resize(image.size());
    picture->setProperty("xvImage", image.isNull() ? QString() : QString::fromLocal8Bit(path));
    return image.isNull() ? -1 : 0;
}

int ResetTextBox(int panel, int control, const char *text) {
    auto *box = qobject_cast<QPlainTextEdit *>(plat::CtrlWidget(panel, control));
    if (!box || !text) return -4;
    const QSignalBlocker block(box);
    box->setPlainText(QString::fromLocal8Bit(text));
    return 0;
}
