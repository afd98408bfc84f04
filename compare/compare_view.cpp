// The compare window: the settings by caption in rows, Panels / RAM / EEPROM / File in columns,
// every cell that differs from the panels tinted and bold, with the summary and a CSV export.
#include "compare.h"
#include "files.h"
#include "images.h"
#include "panels.h"
#include "runtime.h"

#include <QBrush>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

constexpr int RGB_DIFFERS = 0xFFD6CC; // a differing cell: a soft red the text stays legible on
constexpr int RGB_UNREAD = 0x808080;  // the dash of a set that was not read

static CompareContext g_context;
static QPointer<QWidget> g_window;
static QTableWidget *g_table;
static QLabel *g_summary;

void InstallCompareContext(const CompareContext &context) {
    g_context = context;
}

int ExportCompareCsv(const char *path) {
    static char text[8192]; // 22 rows of at most 5 quoted cells
    int n = FormatCompareCsv(g_compare, text, sizeof text);
    char said[MAX_PATHNAME_LEN + 64];
    if (n < 0 || ArrayToFile(path, text, n, VAL_TRUNCATE) != 0) {
        snprintf(said, sizeof said, "Cannot write %s!", path);
        if (g_context.status) g_context.status(said);
        if (g_context.hint) g_context.hint(LastFileFault());
        return -1;
    }
    snprintf(said, sizeof said, "Comparison saved as %s", path);
    if (g_context.status) g_context.status(said);
    return 0;
}

// A modal dialog inside a running exchange's waits would stall it: asked only when free.
static void AskAndExport() {
    if (g_context.begin && !g_context.begin()) return;
    char path[MAX_PATHNAME_LEN];
    int chosen = FileSelectPopup(g_context.folder ? g_context.folder : "", "compare.csv", "*.csv",
                                 "Save comparison as CSV", VAL_OK_BUTTON, 0, 1, 1, 1, path);
    if (chosen == VAL_EXISTING_FILE_SELECTED || chosen == VAL_NEW_FILE_SELECTED)
        ExportCompareCsv(path);
    if (g_context.end) g_context.end();
}

// The window as large as the whole table, so no column hides behind a scroll bar.
static void FitWindow(int columns) {
    int width = g_table->verticalHeader()->sizeHint().width() + 2 * g_table->frameWidth();
    for (int i = 0; i < columns; i++)
        width += g_table->columnWidth(i);
    int height = g_table->horizontalHeader()->sizeHint().height() + 2 * g_table->frameWidth() +
                 SETTINGS_COUNT * g_table->verticalHeader()->defaultSectionSize();
    g_table->setMinimumSize(width + 2, height + 2);
    g_window->resize(g_window->layout()->sizeHint().expandedTo(QSize(width + 24, height + 90)));
}

static void Fill() {
    const CompareTable &t = g_compare;
    int columns[COMPARE_COLUMNS], count = 0;
    for (int c = 0; c < COMPARE_COLUMNS; c++)
        if (t.shown[c]) columns[count++] = c;
    g_table->clear();
    g_table->setColumnCount(count);
    g_table->setRowCount(SETTINGS_COUNT);
    for (int i = 0; i < count; i++)
        g_table->setHorizontalHeaderItem(i, new QTableWidgetItem(kCompareColumnNames[columns[i]]));
    for (int row = 0; row < SETTINGS_COUNT; row++) {
        g_table->setVerticalHeaderItem(row, new QTableWidgetItem(kSettings[row].caption));
        for (int i = 0; i < count; i++) {
            char text[64];
            CompareCellText(t, row, columns[i], text, sizeof text);
            auto *item = new QTableWidgetItem(QString::fromLatin1(text));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (CompareCellDiffers(t, row, columns[i])) {
                item->setBackground(QBrush(QColor::fromRgb(QRgb(RGB_DIFFERS))));
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setData(Qt::UserRole, 1);
            } else if (!CompareCellKnown(t, row, columns[i])) {
                item->setForeground(QBrush(QColor::fromRgb(QRgb(RGB_UNREAD))));
            }
            g_table->setItem(row, i, item);
        }
    }
    g_table->resizeColumnsToContents();
    FitWindow(count);
    g_summary->setText(QString::fromLatin1(t.summary) + "\n" + QString::fromLatin1(t.when) + "  " +
                       QString::fromLocal8Bit(t.port) + "  " + QString::fromLatin1(t.firmware));
}

static void Build() {
    g_window = new QWidget;
    g_window->setAttribute(Qt::WA_DeleteOnClose);
    g_window->setWindowTitle(QString::fromLocal8Bit(ProgramTitle()) + " - Compare");
    g_summary = new QLabel;
    g_summary->setWordWrap(true);
    g_table = new QTableWidget;
    g_table->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    g_table->verticalHeader()->setDefaultSectionSize(g_table->fontMetrics().height() + 8);
    g_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto *save = new QPushButton("Export CSV...");
    auto *close = new QPushButton("Close");
    QObject::connect(save, &QPushButton::clicked, AskAndExport);
    QObject::connect(close, &QPushButton::clicked, g_window.data(), &QWidget::close);
    auto *bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(save);
    bar->addWidget(close);
    auto *column = new QVBoxLayout(g_window);
    column->setSizeConstraint(QLayout::SetNoConstraint); // the window keeps the size it is given
    column->addWidget(g_summary);
    column->addWidget(g_table);
    column->addLayout(bar);
}

void ShowCompareView() {
    if (!g_window) Build();
    Fill();
    g_window->show();
}

void RefreshCompareView() {
    if (g_window) Fill();
}

void CloseCompareView() {
    delete g_window.data();
}

int CompareViewOpen() {
    return g_window && g_window->isVisible();
}

int CompareViewCell(int row, int column, char *text, int size) {
    if (!g_window || row < 0 || row >= g_table->rowCount() || column < 0 ||
        column >= g_table->columnCount())
        return -1;
    QTableWidgetItem *item = g_table->item(row, column);
    snprintf(text, size_t(size), "%s", item->text().toLatin1().constData());
    return item->data(Qt::UserRole).toInt();
}

int GrabCompareView(const char *png) {
    if (!g_window) return -1;
    return plat::SavePng(g_window->grab().toImage(), png);
}

static void ForgetCompare() {
    CloseCompareView();
    g_compare = CompareTable{};
    g_context = CompareContext{};
}
[[maybe_unused]] static const bool kRoom =
    RegisterRoom(ROOM_COMPARE, {CloseCompareView, ForgetCompare, nullptr});
