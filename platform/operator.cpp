// Operator actions for tests and scripts: synthetic mouse and keyboard input on the real widgets,
// so every action raises exactly the callbacks a person's action raises.
#include "internal.h"
#include "platform.h"
#include "testing.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

// A person can act only on a control that is shown and not dimmed.
static QWidget *Reachable(int panel, int control) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || !w->isEnabledTo(w->window()) || !w->isVisibleTo(w->window())) return nullptr;
    return w;
}

int OperatorPress(int panel, int control) {
    QWidget *w = Reachable(panel, control);
    if (!qobject_cast<QAbstractButton *>(w)) return -1;
    QTest::mouseClick(w, Qt::LeftButton);
    return 0;
}

int OperatorKey(int panel, int control) {
    QWidget *w = Reachable(panel, control);
    if (!qobject_cast<QAbstractButton *>(w)) return -1;
    QTest::keyClick(w, Qt::Key_Space); // activates without a mouse press
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
        if (b->isChecked() != (value != 0)) QTest::mouseClick(b, Qt::LeftButton);
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
