#include "ui/Controls.h"

#include <QHeaderView>
#include <QTableWidget>

void SetUpStringGrid(QTableWidget *grid, std::initializer_list<int> columnWidths, int rowHeight) {
    grid->setColumnCount(int(columnWidths.size()));
    grid->horizontalHeader()->hide();
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
}
