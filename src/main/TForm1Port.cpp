// The main window as the runs see it: the request it builds from its widgets,
// and its side of WindowPort (progress, result rows, the run controls, the
// per-block event pump and the modal boxes).

#include "main/TForm1.h"

#include "ui/MessageBox.h"
#include "filesystem/PathBytes.h"
#include "wavewindow/TForm2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

namespace {

// "Text File(.txt)|*.txt" (description and pattern pairs split by "|") as a
// Qt name filter list: "Text File(.txt) (*.txt)".
QStringList ToNameFilters(const QString &filter) {
    const QStringList parts = filter.split('|');
    if (parts.size() < 2)
        return {filter};
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + ')';
    return filters;
}

} // namespace

QWidget *TForm1::DialogParent() {
    if (isEnabled())
        return this;
    if (waveWindow != nullptr && waveWindow->isEnabled())
        return waveWindow;
    return nullptr; // a box of its own, modal to the whole program
}

MsgAnswer TForm1::ShowMsg(const QString &text, bool yesNo) {
    if (msgScript)
        return msgScript(text, yesNo);
    return ShowMessageBox(DialogParent(), text, yesNo);
}

QString TForm1::AskSaveFileName(const QString &title, const QString &filter,
                                const QString &defaultSuffix) {
    if (saveScript)
        return saveScript(title, filter, defaultSuffix);
    PrepareSaveDialog(title, filter, defaultSuffix);
    const bool chosen = dlSAVE->exec() == QDialog::Accepted && !dlSAVE->selectedFiles().isEmpty();
    const QString path = chosen ? dlSAVE->selectedFiles().constFirst() : QString();
    delete dlSAVE;
    return path;
}

void TForm1::PrepareSaveDialog(const QString &title, const QString &filter,
                               const QString &defaultSuffix) {
    delete dlSAVE;
    dlSAVE = new QFileDialog(DialogParent());
    dlSAVE->setObjectName(QStringLiteral("dlSAVE"));
    // The dialog asks before replacing an existing file.
    dlSAVE->setAcceptMode(QFileDialog::AcceptSave);
    dlSAVE->setFileMode(QFileDialog::AnyFile);
    dlSAVE->setWindowTitle(title);
    dlSAVE->setNameFilters(ToNameFilters(filter));
    dlSAVE->setDefaultSuffix(defaultSuffix);
    dlSAVE->setDirectory(shownFolder_);
}

void TForm1::SetProgressRange(int32_t min, int32_t max, int32_t position) {
    pbRate->setRange(min, max);
    pbRate->setValue(position);
}

void TForm1::SetProgressPosition(int32_t position, const QString &rateText) {
    pbRate->setValue(position);
    edRate->setText(rateText);
    pbRate->repaint();
    edRate->repaint();
}

void TForm1::ShowClickCountText(const QString &text) {
    edNum->setText(text);
    edNum->repaint();
}

void TForm1::ShowPassLabel(bool removal) {
    lbDEL->setVisible(removal);
    lbCHECK->setVisible(!removal);
    // A screen reader names edNum by the label on show.
    lbDEL->setBuddy(removal ? edNum : nullptr);
    lbCHECK->setBuddy(removal ? nullptr : edNum);
    repaint();
}

void TForm1::SetResultRow(int32_t ordinal, const QString &ordinalText, const QString &name,
                          const QString &count, const RunStatus &status) {
    const int row = ordinal - 1;
    StringGrid1->setRowCount(ordinal);
    SetGridCell(row, 0, ordinalText);
    SetGridCell(row, 1, DisplayFileName(name));
    StringGrid1->item(row, 1)->setData(kNameRole, name);
    SetGridCell(row, 2, count);
    SetGridCell(row, 3, status.text());
    SetGridCell(row, 4, QString());
    StringGrid1->setCurrentCell(row, 1);
    StringGrid1->scrollToItem(StringGrid1->item(row, 1));
    StringGrid1->repaint();
}

// Everything that could start other work; edOutFile, the result grid and the
// help menu stay usable during a run.
void TForm1::SetRunControls(bool enabled) {
    cdDel->setEnabled(enabled);
    cdCheck->setEnabled(enabled);
    cdStop->setEnabled(enabled);
    cdEnd->setEnabled(enabled);
    m_End->setEnabled(enabled);
    cdView->setEnabled(enabled);
    edFile->setEnabled(enabled);
    edFolder->setEnabled(enabled);
    cbDrive1->setEnabled(enabled);
    ckBYCheck->setEnabled(enabled);
    mFile->menuAction()->setEnabled(enabled);
    S1->setEnabled(enabled);
    ckMakeFile->setEnabled(enabled);
    WaveFormW1->setEnabled(enabled);
}

void TForm1::SetStopEnabled(bool enabled) {
    cdStop->setEnabled(enabled);
}

void TForm1::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

QStringList TForm1::SelectedFileNames() const {
    QStringList names;
    for (int row = 0; row < edFile->count(); ++row)
        if (edFile->item(row)->isSelected())
            names << edFile->item(row)->data(kNameRole).toString();
    return names;
}

RunRequest TForm1::RequestFor(RunRequest::Kind kind) const {
    RunRequest request;
    request.kind = kind;
    request.inputFolder = inputFolder;
    request.files = SelectedFileNames();
    request.outputText = edOutFile->text();
    request.makeDetail = ckMakeFile->isChecked();
    request.useDetection = ckBYCheck->isChecked();
    return request;
}
