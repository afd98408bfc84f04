// Operator actions for tests and scripts: synthetic mouse and keyboard input on the real widgets,
// so every action raises exactly the callbacks a person's action raises.
#include "panels.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>

// A person can act only on a control that is shown and not dimmed.
static QWidget *Reachable(int panel, int control) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || !w->isEnabledTo(w->window()) || !w->isVisibleTo(w->window())) return nullptr;
    return w;
}

// A left click in the middle of the widget: press and release, delivered as the window system's
// events are, so the event filters and the button's own handling see what a mouse makes.
static void Click(QWidget *w) {
    const QPointF at(w->width() / 2, w->height() / 2);
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QPointer<QWidget> alive(w); // the press may run a callback that discards the panel
    QApplication::sendEvent(w, &press);
    if (alive) QApplication::sendEvent(w, &release);
}

// The space bar: a button activates on its release, without a mouse press.
static void Space(QWidget *w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QPointer<QWidget> alive(w);
    QApplication::sendEvent(w, &press);
    if (alive) QApplication::sendEvent(w, &release);
}

int OperatorPress(int panel, int control) {
    QWidget *w = Reachable(panel, control);
    if (!qobject_cast<QAbstractButton *>(w)) return -1;
    Click(w);
    return 0;
}

int OperatorKey(int panel, int control) {
    QWidget *w = Reachable(panel, control);
    if (!qobject_cast<QAbstractButton *>(w)) return -1;
    Space(w);
    return 0;
}

int OperatorSet(int panel, int control, int value) {
    QWidget *w = Reachable(panel, control);
    if (!w) return -1;
    if (auto *s = qobject_cast<QSpinBox *>(w)) {
        if (s->isReadOnly() || value < s->minimum() || value > s->maximum()) return -1;
        s->setValue(value); // as an arrow click or a committed entry does
        return 0;
    }
    if (auto *r = qobject_cast<QComboBox *>(w)) {
        for (int i = 0; i < r->count(); i++) {
            QVariant d = r->itemData(i);
            if ((d.isValid() ? d.toInt() : i) != value) continue;
            r->setCurrentIndex(i); // what choosing the item in the ring's list does
            emit r->activated(i);
            return 0;
        }
        return -1;
    }
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        if (!b->isCheckable()) return -1;
        if (b->isChecked() != (value != 0)) Click(b);
        return 0;
    }
    return -1;
}

int OperatorClose(int panel) {
    QWidget *w = plat::PanelWidget(panel);
    if (!w) return -1;
    w->close(); // the same close event the window manager's close box sends
    return 0;
}
