// Control values: reading and writing numerics, rings, buttons, LEDs and texts. A value set by
// the program raises no callback; the status line's texts are also kept for tests and --verbose.
#include "panels.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalBlocker>
#include <QSpinBox>
#include <cstdio>
#include <cstring>

// The live loop writes the LEDs after every reply and restyling is costly: an LED is restyled
// only when it changes, and the last states are kept at hand, a property lookup being costly too.
struct LedState {
    QPointer<QWidget> led; // null once the LED is gone: its slot is free
    bool on;
};
static LedState g_leds[16];

void plat::PaintLed(QWidget *w, bool on) {
    LedState *slot = nullptr;
    for (LedState &s : g_leds)
        if (s.led == w) {
            if (s.on == on) return;
            slot = &s;
            break;
        } else if (!slot && !s.led) {
            slot = &s;
        }
    if (!slot) {
        QVariant was = w->property("xvOn");
        if (was.isValid() && was.toBool() == on) return;
    } else {
        *slot = LedState{w, on};
    }
    w->setProperty("xvOn", on);
    w->setStyleSheet(on ? "background:#20e020; border:1px solid #205020; border-radius:8px;"
                        : "background:#2a3a2a; border:1px solid #202020; border-radius:8px;");
}

// A binary switch names the side it stands on (its onText / offText properties).
void plat::SwitchText(QWidget *w) {
    auto *b = static_cast<QAbstractButton *>(w);
    QVariant text = w->property(b->isChecked() ? "onText" : "offText");
    if (text.isValid()) b->setText(text.toString());
}

// ---- Values ---------------------------------------------------------------------------------

static int RingIndexOf(QComboBox *ring, int value) {
    for (int i = 0; i < ring->count(); i++) {
        QVariant d = ring->itemData(i);
        if ((d.isValid() ? d.toInt() : i) == value) return i;
    }
    return -1;
}

// A value that is none of a ring's items (a controller set to a mode this program does not list)
// gets an item of its own showing the number, so it survives until it is sent back instead of
// being replaced by whatever item the ring showed before. One such item at most. Rings whose items
// carry their own values (the COM-port ring) list every value there is and refuse others.
constexpr int kExtraItemRole = Qt::UserRole + 1;

static bool IsExtraItem(QComboBox *ring, int index) {
    return ring->itemData(index, kExtraItemRole).toBool();
}

static void DropExtraItem(QComboBox *ring) {
    int last = ring->count() - 1;
    if (last >= 0 && IsExtraItem(ring, last)) ring->removeItem(last);
}

static int AddExtraItem(QComboBox *ring, int value) {
    DropExtraItem(ring);
    ring->addItem(QString("%1 - not a listed value").arg(value), value);
    ring->setItemData(ring->count() - 1, true, kExtraItemRole);
    return ring->count() - 1;
}

int GetCtrlVal(int panel, int control, int &value) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w) return -4;
    if (auto *s = qobject_cast<QSpinBox *>(w)) {
        value = plat::IndicatorValue(s);
    } else if (auto *r = qobject_cast<QComboBox *>(w)) {
        QVariant d = r->currentData();
        value = d.isValid() ? d.toInt() : r->currentIndex();
    } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        value = b->isChecked() ? 1 : 0;
    } else if (plat::KindOf(control) == KIND_LED) {
        value = w->property("xvOn").toBool() ? 1 : 0;
    } else {
        return -1;
    }
    return 0;
}

int GetCtrlVal(int panel, int control, unsigned short &value) {
    int v = 0;
    int rc = GetCtrlVal(panel, control, v);
    if (rc == 0) value = static_cast<unsigned short>(v);
    return rc;
}

int GetCtrlVal(int panel, int control, char *text, int size) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || size <= 0) return -4;
    QString s;
    if (auto *e = qobject_cast<QLineEdit *>(w))
        s = e->text();
    else if (auto *t = qobject_cast<QPlainTextEdit *>(w))
        s = t->toPlainText();
    else if (auto *r = qobject_cast<QComboBox *>(w))
        s = r->currentText();
    else if (auto *l = qobject_cast<QLabel *>(w))
        s = l->text();
    else
        return -1;
    snprintf(text, size_t(size), "%s", s.toLocal8Bit().constData());
    return 0;
}

int SetCtrlVal(int panel, int control, int value) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w) return -4;
    auto *s = qobject_cast<QSpinBox *>(w);
    if (s && plat::KindOf(control) == KIND_INDICATOR && plat::SetIndicator(s, value)) return 0;
    const QSignalBlocker block(w); // a value set by the program raises no callback
    if (s) {
        if (s->value() != value) s->setValue(value); // outside the range: coerced to it
    } else if (auto *r = qobject_cast<QComboBox *>(w)) {
        int index = RingIndexOf(r, value);
        bool positional = r->count() == 0 || !r->itemData(0).isValid();
        if (index < 0 && !positional) return -1;
        if (index < 0) {
            index = AddExtraItem(r, value);
        } else if (!IsExtraItem(r, index)) {
            DropExtraItem(r); // a listed value again: the stand-in item has served
            index = RingIndexOf(r, value);
        }
        r->setCurrentIndex(index);
        r->setProperty("xvPrev", index);
    } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        b->setChecked(value != 0);
        if (plat::KindOf(control) == KIND_SWITCH) plat::SwitchText(w);
    } else if (plat::KindOf(control) == KIND_LED) {
        plat::PaintLed(w, value != 0);
    } else {
        return -1;
    }
    return 0;
}

// The last status-line texts, oldest first, for tests that check a sequence of messages.
static char g_statusLog[32][256];
static int g_nStatus = 0;

static void RememberStatus(const char *text) {
    if (g_nStatus == 32) {
        memmove(g_statusLog[0], g_statusLog[1], sizeof g_statusLog - sizeof g_statusLog[0]);
        g_nStatus--;
    }
    snprintf(g_statusLog[g_nStatus++], sizeof g_statusLog[0], "%s", text);
}

int StatusHistory(const char **texts, int max) {
    int n = g_nStatus < max ? g_nStatus : max;
    for (int i = 0; i < n; i++)
        texts[i] = g_statusLog[g_nStatus - n + i];
    return n;
}

void ClearStatusHistory() {
    g_nStatus = 0;
}

int SetCtrlVal(int panel, int control, const char *text) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || !text) return -4;
    const QSignalBlocker block(w);
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(QString::fromLocal8Bit(text));
        e->setCursorPosition(0);
    } else if (auto *t = qobject_cast<QPlainTextEdit *>(w)) {
        t->setPlainText(QString::fromLocal8Bit(text));
    } else if (auto *l = qobject_cast<QLabel *>(w); l && plat::KindOf(control) != KIND_LED) {
        l->setText(QString::fromLocal8Bit(text));
        l->adjustSize();
    } else {
        return -1;
    }
    if (control == plat::StatusLineControl()) {
        if (plat::g_opt.verbose) plat::Log("status: %s", text);
        RememberStatus(text);
    }
    return 0;
}
