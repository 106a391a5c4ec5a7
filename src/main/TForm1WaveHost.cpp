// The main window as the wave window's host: what the wave window reads of the
// last run and of the file selection, and the check box it sets.

#include "main/TForm1.h"

#include "main/FileBrowser.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

QStringList TForm1::CurrentResultRow() const {
    QStringList cells;
    const int row = StringGrid1->currentRow();
    for (int column = 0; column < StringGrid1->columnCount(); ++column) {
        const QTableWidgetItem *item = row >= 0 ? StringGrid1->item(row, column) : nullptr;
        // The name column gives the name itself, with its bytes, not its display text.
        const QVariant cell =
            item == nullptr ? QVariant() : item->data(column == 1 ? kNameRole : Qt::DisplayRole);
        cells << cell.toString();
    }
    return cells;
}

QString TForm1::CurrentListFile() const {
    const QListWidgetItem *item = edFile->currentItem();
    return item != nullptr ? JoinPath(shownFolder_, item->data(kNameRole).toString()) : QString();
}

bool TForm1::ViewButtonVisible() const {
    return !cdView->isHidden();
}

bool TForm1::MakeFileChecked() const {
    return ckMakeFile->isChecked();
}

void TForm1::SetMakeFileChecked(bool checked) {
    ckMakeFile->setChecked(checked);
}

void TForm1::SetMainWindowEnabled(bool enabled) {
    setEnabled(enabled);
}

void TForm1::ShowSettingsDialog() {
    if (settingsDialog == nullptr)
        return;
    settingsDialog->show();
    settingsDialog->raise();
    settingsDialog->activateWindow();
}
