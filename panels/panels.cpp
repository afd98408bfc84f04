// Panels and controls: builds the panels of the installed resource, binds controls to callbacks,
// and opens, shows, hides and discards panels.
#include "panels.h"
#include "charts.h"
#include "faces.h"
#include "images.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <cstring>

namespace {
constexpr int kMaxCtrls = kMaxResourceIds + 64; // the resource's controls and those made later

struct PanelRec {
    QWidget *w = nullptr;
    int resource = 0;
    QWidget *ctrl[kMaxCtrls] = {};
    int nextNew = 0; // identifier of the next control made at run time: after the resource's
};

// Turns mouse presses on buttons into left clicks and close boxes into close events.
class EventFilter : public QObject {
  protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;
};
} // namespace

constexpr int kMaxPanels = 8;
static PanelRec g_panels[kMaxPanels]; // index = handle; 0 unused
static CtrlCallbackPtr g_ctrlCb[kMaxCtrls];
static CtrlCallbackPtr g_panelCb[kMaxPanels];
static EventFilter *g_filter = nullptr;
static const ResourceFile *g_resource = nullptr; // what LoadPanel builds panels from

void InstallResourceFile(const ResourceFile *resource) {
    g_resource = resource;
}

// The resource's table, row by row; an empty table before one is installed.
static const ResourceControl *Rows(int *n) {
    *n = g_resource ? g_resource->nControls : 0;
    return g_resource ? g_resource->controls : nullptr;
}

CtrlKind plat::KindOf(int id) {
    int n;
    const ResourceControl *rows = Rows(&n);
    for (int i = 0; i < n; i++)
        if (rows[i].id == id) return rows[i].kind;
    return KIND_DECO;
}

int ControlByName(const char *name, int *resource) {
    int n;
    const ResourceControl *rows = Rows(&n);
    for (int i = 0; i < n; i++)
        if (!strcmp(rows[i].name, name)) {
            *resource = rows[i].resource;
            return rows[i].id;
        }
    return 0;
}

int plat::AddControl(int panel, QWidget *w, int kind) {
    if (!PanelWidget(panel) || g_panels[panel].nextNew >= kMaxCtrls) {
        delete w;
        return -1;
    }
    int id = g_panels[panel].nextNew++;
    g_panels[panel].ctrl[id] = w;
    w->setProperty("xvPanel", panel);
    w->setProperty("xvCtrl", id);
    w->setProperty("xvKind", kind);
    return id;
}

int plat::PanelOfResource(int resource) {
    for (int h = 1; h < kMaxPanels; h++)
        if (g_panels[h].w && g_panels[h].resource == resource) return h;
    return -1;
}

QWidget *plat::PanelWidget(int panel) {
    return (panel > 0 && panel < kMaxPanels) ? g_panels[panel].w : nullptr;
}

QWidget *plat::CtrlWidget(int panel, int control) {
    if (!PanelWidget(panel) || control <= 0 || control >= kMaxCtrls) return nullptr;
    return g_panels[panel].ctrl[control];
}

static void Dispatch(int panel, int control, int event, int data1 = 0) {
    if (CtrlCallbackPtr cb = g_ctrlCb[control]) cb(panel, control, event, nullptr, data1, 0);
}

static int g_menuChoice = 0; // the item an operator action chooses in the next menu; 0 none

// A person's choice is taken from the menu; an operator action's choice instead, without it.
void plat::CtrlMenu(QWidget *w, const QPoint &at) {
    QStringList items = w->property("xvMenu").toStringList();
    int chosen = g_menuChoice;
    g_menuChoice = 0;
    if (items.isEmpty()) return;
    if (chosen == 0) {
        QMenu menu;
        for (int i = 0; i < items.size(); i++)
            menu.addAction(items[i])->setData(i + 1);
        QAction *a = menu.exec(at);
        chosen = a ? a->data().toInt() : 0;
    }
    if (chosen < 1 || chosen > items.size()) return;
    Dispatch(w->property("xvPanel").toInt(), w->property("xvCtrl").toInt(), EVENT_MENU_ITEM,
             chosen);
}

int AddCtrlMenuItem(int panel, int control, const char *text) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || !text || plat::KindOf(control) != KIND_GRAPH) return -1;
    QStringList items = w->property("xvMenu").toStringList();
    int known = int(items.indexOf(QString::fromLocal8Bit(text)));
    if (known >= 0) return known + 1; // added before: the same item
    items.append(QString::fromLocal8Bit(text));
    w->setProperty("xvMenu", items);
    return int(items.size());
}

int OperatorMenu(int panel, int control, int item) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || !w->isEnabledTo(w->window()) || !w->isVisibleTo(w->window()) || item < 1 ||
        item > w->property("xvMenu").toStringList().size())
        return -1;
    QPoint at = w->rect().center();
    QWidget *target = w->childAt(at) ? w->childAt(at) : w;
    if (auto *area = qobject_cast<QAbstractScrollArea *>(target)) // where a click arrives
        target = area->viewport();
    g_menuChoice = item;
    QContextMenuEvent e(QContextMenuEvent::Mouse, target->mapFrom(w, at), w->mapToGlobal(at));
    QApplication::sendEvent(target, &e);
    bool taken = g_menuChoice == 0;
    g_menuChoice = 0;
    return taken ? 0 : -1;
}

static void DispatchPanel(int panel, int event) {
    int res = g_panels[panel].resource;
    if (CtrlCallbackPtr cb = g_panelCb[res]) cb(panel, 0, event, nullptr, 0, 0);
}

bool EventFilter::eventFilter(QObject *obj, QEvent *ev) {
    auto *w = qobject_cast<QWidget *>(obj);
    if (!w) return false;
    int panel = w->property("xvPanel").toInt();
    if (ev->type() == QEvent::Close && w->isWindow()) {
        ev->ignore(); // the panel callback decides: hide the panel or end the program
        DispatchPanel(panel, EVENT_CLOSE);
        return true;
    }
    if (ev->type() == QEvent::MouseButtonPress && w->isEnabled() &&
        static_cast<QMouseEvent *>(ev)->button() == Qt::LeftButton)
        Dispatch(panel, w->property("xvCtrl").toInt(), EVENT_LEFT_CLICK);
    return false;
}

static bool KindMatches(QWidget *w, CtrlKind kind) {
    switch (kind) {
    case KIND_NUMERIC:
    case KIND_INDICATOR: return qobject_cast<QSpinBox *>(w);
    case KIND_RING: return qobject_cast<QComboBox *>(w);
    case KIND_STRING: return qobject_cast<QLineEdit *>(w);
    case KIND_TEXTBOX: return qobject_cast<QPlainTextEdit *>(w);
    case KIND_COMMAND: return qobject_cast<QPushButton *>(w);
    case KIND_TOGGLE:
    case KIND_SWITCH:
        return qobject_cast<QPushButton *>(w) && static_cast<QPushButton *>(w)->isCheckable();
    case KIND_RADIO: return qobject_cast<QRadioButton *>(w);
    case KIND_LED:
    case KIND_PICTURE: return qobject_cast<QLabel *>(w);
    default: return qobject_cast<QFrame *>(w);
    }
}

static void Wire(int panel, int id, CtrlKind kind, QWidget *w) {
    w->setProperty("xvPanel", panel);
    w->setProperty("xvCtrl", id);
    switch (kind) {
    case KIND_COMMAND:
        w->installEventFilter(g_filter);
        QObject::connect(static_cast<QPushButton *>(w), &QPushButton::clicked,
                         [panel, id] { Dispatch(panel, id, EVENT_COMMIT); });
        break;
    case KIND_TOGGLE:
    case KIND_SWITCH:
    case KIND_RADIO:
        w->installEventFilter(g_filter);
        if (kind == KIND_SWITCH) plat::SwitchText(w);
        QObject::connect(static_cast<QAbstractButton *>(w), &QAbstractButton::clicked,
                         [panel, id, w] {
                             if (plat::KindOf(id) == KIND_SWITCH) plat::SwitchText(w);
                             Dispatch(panel, id, EVENT_VAL_CHANGED);
                             Dispatch(panel, id, EVENT_COMMIT);
                         });
        break;
    case KIND_RING: {
        auto *ring = static_cast<QComboBox *>(w);
        ring->setProperty("xvPrev", ring->currentIndex());
        QObject::connect(ring, &QComboBox::activated, [panel, id, ring](int index) {
            bool changed = ring->property("xvPrev").toInt() != index;
            ring->setProperty("xvPrev", index);
            if (changed) Dispatch(panel, id, EVENT_VAL_CHANGED);
            Dispatch(panel, id, EVENT_COMMIT);
        });
        break;
    }
    case KIND_NUMERIC:
        QObject::connect(static_cast<QSpinBox *>(w), &QSpinBox::valueChanged, [panel, id] {
            Dispatch(panel, id, EVENT_VAL_CHANGED);
            Dispatch(panel, id, EVENT_COMMIT);
        });
        break;
    case KIND_INDICATOR: plat::MakeIndicator(static_cast<QSpinBox *>(w)); break;
    case KIND_LED: plat::PaintLed(w, false); break;
    case KIND_STRIP: plat::MakeStripChart(static_cast<QFrame *>(w)); break;
    case KIND_GRAPH: plat::MakeGraph(static_cast<QFrame *>(w)); break;
    default: break;
    }
}

void InstallCallbackTable(const CallbackBinding *controls, int nControls,
                          const CallbackBinding *panels, int nPanels) {
    for (auto &cb : g_ctrlCb)
        cb = nullptr;
    for (auto &cb : g_panelCb)
        cb = nullptr;
    for (int i = 0; i < nControls; i++)
        if (controls[i].control > 0 && controls[i].control < kMaxResourceIds)
            g_ctrlCb[controls[i].control] = controls[i].callback;
    for (int i = 0; i < nPanels; i++)
        if (panels[i].control > 0 && panels[i].control < kMaxPanels)
            g_panelCb[panels[i].control] = panels[i].callback;
}

// The resource is named by its file name; the folder before it does not matter.
static bool IsInstalledResource(const char *file) {
    const char *base = file ? strrchr(file, '/') : nullptr;
    base = base ? base + 1 : file;
    return g_resource && base && !strcmp(base, g_resource->file);
}

int LoadPanel(int parent, const char *file, int resource) {
    if (!qApp || parent != 0 || !IsInstalledResource(file)) return -1;
    QWidget *w = resource > 0 && resource < kMaxPanels ? g_resource->build(resource) : nullptr;
    if (!w) return -2;
    int h = 1;
    while (h < kMaxPanels && g_panels[h].w)
        h++;
    if (h == kMaxPanels) {
        delete w;
        return -3;
    }
    if (!g_filter) g_filter = new EventFilter;
    PanelRec rec;
    rec.w = w;
    rec.resource = resource;
    int n;
    const ResourceControl *rows = Rows(&n);
    for (int i = 0; i < n; i++) // controls made at run time follow the resource's identifiers
        rec.nextNew = std::max(rec.nextNew, rows[i].id + 1);
    for (int i = 0; i < n; i++) {
        const ResourceControl &r = rows[i];
        if (r.resource != resource) continue;
        QWidget *c = w->findChild<QWidget *>(r.name);
        if (!c || !KindMatches(c, r.kind) || r.id <= 0 || r.id >= kMaxResourceIds) { // the form
            // and the identifier table disagree
            delete w;
            return -4;
        }
        rec.ctrl[r.id] = c;
        Wire(h, r.id, r.kind, c);
    }
    w->setProperty("xvPanel", h);
    w->installEventFilter(g_filter);
    g_panels[h] = rec;
    return h;
}

int DisplayPanel(int panel) {
    QWidget *w = plat::PanelWidget(panel);
    if (!w) return -1;
    w->show();
    if (QGuiApplication::platformName() != "offscreen") w->raise(); // offscreen cannot stack
    return 0;
}

int HidePanel(int panel) {
    QWidget *w = plat::PanelWidget(panel);
    if (!w) return -1;
    w->hide();
    return 0;
}

int DiscardPanel(int panel) {
    QWidget *w = plat::PanelWidget(panel);
    if (!w) return -1;
    g_panels[panel] = PanelRec{};
    w->hide();
    w->deleteLater(); // a callback of this panel may still be on the stack
    return 0;
}

void plat::DiscardAllPanels() {
    for (int h = 1; h < kMaxPanels; h++)
        if (g_panels[h].w) {
            delete g_panels[h].w;
            g_panels[h] = PanelRec{};
        }
}

int PanelVisible(int panel) {
    QWidget *w = plat::PanelWidget(panel);
    return w ? int(w->isVisible()) : -1;
}

int GrabPanel(int panel, const char *pngPath) {
    QWidget *w = plat::PanelWidget(panel);
    if (!w) return -1;
    w->ensurePolished();
    plat::ShowIndicators();
    QApplication::processEvents(); // pending layouts (chart titles, sizes) before rendering
    return plat::SavePng(w->grab().toImage(), pngPath);
}

int GrabControl(int panel, int control, const char *pngPath) {
    QWidget *w = plat::CtrlWidget(panel, control);
    if (!w || !pngPath) return -1;
    w->window()->ensurePolished();
    plat::ShowIndicators();
    QApplication::processEvents(); // pending layouts and chart redraws before rendering
    QImage picture = w->grab().toImage();
    if (auto *box = qobject_cast<QSpinBox *>(w)) plat::PaintFaceOver(box, picture);
    return plat::SavePng(picture, pngPath);
}

// Panels and callbacks go at shutdown and between tests.
static void ForgetPanels() {
    plat::ForgetIndicators();
    plat::DiscardAllPanels();
    InstallCallbackTable(nullptr, 0, nullptr, 0);
}
[[maybe_unused]] static const bool kRoom =
    RegisterRoom(ROOM_PANELS, {plat::DiscardAllPanels, ForgetPanels, nullptr});
