// The wave window's work: opening after a run and in file mode, the click
// list and its navigation, the picture around a click, the dump, and closing.

#include "wavewindow/TForm2.h"

#include "batch/NoiseLog.h"
#include "batch/RunRequest.h"
#include "engine/ClickEngine.h"
#include "settings/Settings.h"
#include "batch/ClickDump.h"
#include "batch/ClickList.h"
#include "batch/FileMessages.h"
#include "ui/Controls.h"
#include "filesystem/PathBytes.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QTableWidget>

namespace {

constexpr int kEmptyListRows = 5;
constexpr int kColumns = 6;
constexpr int kSideColumn = 1;
constexpr int kPositionColumn = 2;
constexpr int kValueColumn = 4;
constexpr int32_t kViewFrames = 128; // frames of the click view, the click at frame 64
const char *const kNoNextData = QT_TRANSLATE_NOOP("TForm2", "次のデータはありません。");

QString PlayTime(const WaveFile &wave) {
    return FormatClickTime(wave.dataBytes / 4);
}

} // namespace

// --- opening ---

void TForm2::cdViewClick() {
    if (!host_.ViewButtonVisible())
        return;
    const LastRun &run = host_.LastRunRecord();
    const QStringList row = host_.CurrentResultRow();
    inputName = row.value(1);
    if (inputName.isEmpty()) {
        messages_.ShowMsg(MessageText(kNoDataToCheck));
        return;
    }
    if (!ListClicks(inputName))
        return;
    const bool afterRemoval = !run.isDetection();
    ApplyMenuSet(afterRemoval ? MenuSet::AfterRemoval : MenuSet::AfterCheck);
    setWindowTitle(afterRemoval ? tr("Wave Window   After Delete")
                                : tr("Wave Window   After Check"));
    ShowOpened();
    shownFileName = afterRemoval ? run.OutputNameFor(row.value(0).toInt(), inputName,
                                                     host_.CurrentSettings().ckAuto)
                                 : inputName;
    SetStatusText((afterRemoval ? tr("OutPut File Name: ") : tr("InPut File Name: ")) +
                  DisplayFileName(shownFileName) + tr("      Noise Count: ") + row.value(2));
    // The header describes the input from here on (the preview plays it); an
    // input that has gone leaves no play time to show.
    const bool inputRead = ReadWaveHeaderOrTell(wave, run.logFolder + inputName, messages_);
    if (!inputRead)
        wave = WaveFile(); // nothing of the previous file is read for this one
    channelCount = inputRead ? wave.channelCount : kEngineChannels;
    sourceFolder = run.logFolder;
    repairedFolder = run.outputFolder;
    TakeRow(0);
    ShowClick();
    if (inputRead)
        SetStatusText(statusText() + tr("      PlayTime:") + PlayTime(wave));
}

bool TForm2::ListClicks(const QString &fileName) {
    const ClickList list = ReadClickList(host_.LastRunRecord().logFolder + kDetailLogName,
                                         fileName, host_.CurrentSettings().LogMax);
    if (!list.message.isEmpty()) {
        messages_.ShowMsg(MessageText(list.message));
        return false;
    }
    ClearList();
    StringGrid1->setRowCount(int(list.rows.size()));
    for (int row = 0; row < int(list.rows.size()); ++row)
        for (int column = 0; column < kColumns; ++column)
            SetCell(row, column, list.rows[size_t(row)].value(column));
    StringGrid1->setCurrentCell(0, kSideColumn);
    return true;
}

void TForm2::WaveFormW1Click() {
    const QString path = host_.CurrentListFile();
    if (path.isEmpty()) {
        messages_.ShowMsg(tr("ファイルが選択されていません。"));
        return;
    }
    SetStatusText(tr("InPut File Name: ") + DisplayFileName(path));
    const qsizetype cut = path.lastIndexOf(QDir::separator()) + 1;
    shownFileName = path.mid(cut);
    if (!ReadWaveHeaderOrTell(wave, path, messages_)) {
        wave = WaveFile();
        messages_.ShowMsg(tr("Waveファイルフォーマットではありません。"));
        return;
    }
    channelCount = wave.channelCount;
    sourceFolder = path.left(cut);
    noisePosition = 0;
    ClearList();
    canvas->DrawAxes(2, WaveCanvas::kClickViewLabel);
    DescribePicture(PictureShows::Nothing);
    ShowOpened();
    ApplyMenuSet(MenuSet::FileMode);
    setWindowTitle(tr("Wave Window"));
    SetStatusText(statusText() + tr("   PlayTime:") + PlayTime(wave));
}

void TForm2::ShowOpened() {
    show();
    TakeFocusBack();
    host_.SetMainWindowEnabled(false);
}

// --- the list ---

void TForm2::ClearList() {
    StringGrid1->setRowCount(kEmptyListRows);
    for (int row = 0; row < kEmptyListRows; ++row)
        for (int column = 0; column < kColumns; ++column)
            SetCell(row, column, QString());
    StringGrid1->setRowHeight(1, 16);
    StringGrid1->setCurrentCell(0, kSideColumn);
    StringGrid1->repaint();
}

void TForm2::SetCell(int row, int column, const QString &text) {
    QTableWidgetItem *item = StringGrid1->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        if (column == 0)
            StyleAsFixedCell(*item, palette());
        StringGrid1->setItem(row, column, item);
    }
    item->setText(text);
}

QString TForm2::Cell(int row, int column) const {
    const QTableWidgetItem *item = StringGrid1->item(row, column);
    return item != nullptr ? item->text() : QString();
}

void TForm2::TakeRow(int row) {
    noisePosition = Cell(row, kPositionColumn).toInt();
    noiseValue = Cell(row, kValueColumn).toInt();
    noiseSide = Cell(row, kSideColumn);
}

void TForm2::StepForward() {
    StepTo(StringGrid1->currentRow() + 1);
}

void TForm2::StepBack() {
    StepTo(StringGrid1->currentRow() - 1);
}

void TForm2::StepTo(int row) {
    if (row < 0 || row >= StringGrid1->rowCount()) {
        NoNextData();
        return;
    }
    StringGrid1->setCurrentCell(row, kSideColumn);
    TakeRow(row);
    ShowClick();
}

void TForm2::NoNextData() {
    // The box is modal, so this window takes no input while it shows.
    messages_.ShowMsg(tr(kNoNextData));
}

bool TForm2::ShowListedClick(int row) {
    if (Cell(row, kPositionColumn).isEmpty())
        return false;
    TakeRow(row);
    ShowClick();
    return true;
}

void TForm2::StringGrid1DblClick() {
    const int row = StringGrid1->currentRow();
    if (ShowListedClick(row))
        CopyClickPosition(row);
}

void TForm2::CopyClickPosition(int row) {
    const QString position = Cell(row, kPositionColumn);
    if (!position.isEmpty())
        QGuiApplication::clipboard()->setText(position);
}

bool TForm2::StringGrid1KeyPress(QChar key) {
    if (key != QChar(13) && key != QChar(10))
        return false;
    ShowListedClick(StringGrid1->currentRow());
    return true;
}

// --- the picture and the dump ---

QString TForm2::ShownFilePath() const {
    const bool afterRemoval = host_.LastRunRecord().isRemoval();
    return (afterRemoval ? repairedFolder : sourceFolder) + shownFileName;
}

void TForm2::ShowClick() {
    dumpChannel = 0;
    host_.SetMainWindowEnabled(false);
    // Read by the shown file's own header: after a removal run that is the
    // output, whose samples may start elsewhere than the input's.
    const QString path = ShownFilePath();
    WaveFile wave;
    const bool readable = ReadWaveHeaderOrTell(wave, path, messages_);
    const std::vector<int16_t> values = ReadFrameWindowOrTell(
        readable ? &wave : nullptr, path, int64_t{noisePosition} - kViewFrames / 2, kViewFrames,
        channelCount, messages_);
    canvas->DrawClickView(values.data(), int32_t(values.size()), channelCount);
    canvas->MarkClick(noiseSide, noiseValue);
    DescribePicture(PictureShows::Click);
}

void TForm2::DescribePicture(PictureShows shown) {
    const QString description =
        shown == PictureShows::Click
            ? tr("ノイズ位置 %1（%2チャンネル）、値 %3")
                  .arg(QString::number(noisePosition), noiseSide, QString::number(noiseValue))
        : shown == PictureShows::Playback ? tr("再生中の波形")
                                          : tr("ノイズの表示なし");
    // Also tells a screen reader that the description changed.
    Image1->setAccessibleDescription(description);
}

void TForm2::NumericData1Click() {
    const QString path = host_.AskSaveFileName(tr("エクスポートするファイル名を指定ください。"),
                                               tr("Text File(.txt)|*.txt"), QStringLiteral("txt"));
    TakeFocusBack();
    if (path.isEmpty())
        return;
    const ClickDump dump{shownFileName, noisePosition, host_.CurrentSettings().DumpTextLen,
                         dumpChannel, channelCount};
    WriteClickDump(path, ShownFilePath(), dump, messages_, host_.ProtectedRunFiles());
}

// --- status, settings, closing ---

QString TForm2::statusText() const {
    return stBarText->text();
}

void TForm2::SetStatusText(const QString &text) {
    stBarText->setText(text);
}

MsgAnswer TForm2::Messages::ShowMsg(const QString &text, bool yesNo) {
    const MsgAnswer answer = window_.host_.ShowMsg(text, yesNo);
    window_.TakeFocusBack();
    return answer;
}

void TForm2::TakeFocusBack() {
    if (!isVisible())
        return;
    raise();
    activateWindow();
}

void TForm2::N1Click() {
    host_.ShowSettingsDialog();
}

void TForm2::closeEvent(QCloseEvent *event) {
    FormClose();
    event->accept();
}

void TForm2::FormClose() {
    const bool playing = S1->isVisible() || S2->isVisible() || S3->isVisible() ||
                         !D1->isEnabled() || !P2->isEnabled();
    if (playing)
        player->stopPlayback = true;
    ApplyMenuSet(MenuSet::Default);
    host_.SetMainWindowEnabled(true);
}
