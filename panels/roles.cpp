// The controls the program gives a role: the main panel, its status line and the hint line under
// it; and rings the program fills with items of its own (the COM ports).
#include "panels.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <cstdio>

static PanelRoles g_roles = {};

void InstallPanelRoles(const PanelRoles &roles) {
    g_roles = roles;
}

int plat::StatusLineControl() {
    return g_roles.statusLine;
}

int MainPanel() {
    return g_roles.mainResource ? plat::PanelOfResource(g_roles.mainResource) : -1;
}

int GetStatusLine(char *text, int size) {
    int main = MainPanel();
    if (main < 0 || !g_roles.statusLine) return -1;
    return GetCtrlVal(main, g_roles.statusLine, text, size) == 0 ? 0 : -1;
}

// Where the hint line sits the panel grows by its height, and shrinks back when it goes.
void SetHintLine(const char *text) {
    if (!text) text = "";
    int panel = MainPanel();
    QWidget *p = plat::PanelWidget(panel);
    auto *line = qobject_cast<QLineEdit *>(plat::CtrlWidget(panel, g_roles.hintLine));
    if (!p || !line) return;
    if (!p->property("xvBaseHeight").isValid()) p->setProperty("xvBaseHeight", p->height());
    int base = p->property("xvBaseHeight").toInt();
    line->setText(QString::fromLocal8Bit(text));
    line->setToolTip(line->text());
    line->setCursorPosition(0);
    line->setVisible(*text != '\0');
    p->resize(p->width(), *text ? line->y() + line->height() + 6 : base);
}

int SetRingItems(int panel, int control, const char *const *labels, const int *values, int n,
                 int replace) {
    auto *ring = qobject_cast<QComboBox *>(plat::CtrlWidget(panel, control));
    if (!ring) return -1;
    const QSignalBlocker block(ring); // the program's own change raises no callback
    if (replace) ring->clear();
    for (int i = 0; i < n; i++) {
        QString text = QString::fromLocal8Bit(labels[i]);
        if (i < ring->count() && ring->itemData(i).toInt() == values[i])
            ring->setItemText(i, text);
        else
            ring->insertItem(i, text, values[i]);
    }
    ring->view()->setMinimumWidth(ring->view()->sizeHintForColumn(0) + 24); // whole names
    ring->setProperty("xvPrev", ring->currentIndex()); // refilling it was no operator change
    return 0;
}
