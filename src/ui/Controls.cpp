#include "ui/Controls.h"

#include "ui/ProgramFont.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>

void SetUpStringGrid(QTableWidget *grid, std::initializer_list<int> columnWidths, int rowHeight) {
    grid->setColumnCount(int(columnWidths.size()));
    // The header is hidden, but it still clamps every column to its minimum
    // section size, which the style derives from the font and which is wider
    // than a narrow column: lower it to the narrowest width, and keep the
    // columns where they are set.
    QHeaderView *columns = grid->horizontalHeader();
    columns->hide();
    columns->setMinimumSectionSize(std::min(columnWidths));
    columns->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setMinimumSectionSize(rowHeight);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    int column = 0;
    for (const int width : columnWidths)
        grid->setColumnWidth(column++, width);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid->setWordWrap(false);
    // Tab leaves the grid for the next control instead of walking its cells
    // (the arrow keys do that), so a keyboard user is never caught in it.
    grid->setTabKeyNavigation(false);
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, int x, int y,
                  int pixelSize) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    if (pixelSize > 0)
        label->setFont(ProgramFont(pixelSize));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry) {
    auto *label =
        Make<QLabel>(parent, name, geometry.x(), geometry.y(), geometry.width(), geometry.height());
    label->setText(text);
    return label;
}

void StyleAsFixedCell(QTableWidgetItem &item, const QPalette &palette) {
    item.setFlags(Qt::ItemIsEnabled);
    item.setBackground(palette.button());
}
