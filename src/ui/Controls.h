#pragma once
// Placing controls in the windows' fixed layouts, the labels, and the string
// grid the windows share.

#include <QRect>
#include <QString>
#include <QWidget>
#include <initializer_list>

class QLabel;
class QPalette;
class QTableWidget;
class QTableWidgetItem;

// A control of a fixed-size window: its object name, place and size in pixels.
template <typename W> W *Make(QWidget *parent, const char *name, int x, int y, int w, int h) {
    auto *widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

// A string grid: no title row or column of its own (labels above it carry the
// titles), rows rowHeight pixels high, the given column widths, read-only, one
// cell selected at a time, a vertical scroll bar only (the columns may be
// wider than the grid; a horizontal bar would cover the last visible row),
// and Tab moving on to the next control.
void SetUpStringGrid(QTableWidget *grid, std::initializer_list<int> columnWidths, int rowHeight);

// A label at x, y sized to its text, in the parent's font or, with pixelSize
// above 0, in the program font of that pixel size.
QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, int x, int y,
                  int pixelSize = 0);
// A label of a fixed place and size, whatever its text.
QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry);

// Gives a grid cell the look of a fixed cell (the grid's first column):
// grey as the window's buttons (palette) and never selected.
void StyleAsFixedCell(QTableWidgetItem &item, const QPalette &palette);
