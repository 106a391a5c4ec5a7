#pragma once
// The wave window: lists the clicks a run logged for one file, draws the
// waveform around them, plays and dumps them. Created once at start-up and
// shown and hidden from then on; while it is visible the main window is
// disabled. It reaches the main window only through WaveWindowHost.
//
// Built in TForm2View.cpp; opening, navigation, the picture and the dump are
// in TForm2.cpp; the playback handlers in TForm2Play.cpp.

#include "player/TWavePlayer.h"
#include "wavefile/WaveFile.h"
#include "wavewindow/WaveCanvas.h"
#include "wavewindow/WaveWindowHost.h"

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class PreviewPlayback;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTableWidget;

class TForm2 : public QMainWindow {
    Q_OBJECT

public:
    // player: the sound output to play through; the default device when null.
    explicit TForm2(WaveWindowHost &host, std::unique_ptr<TWavePlayer> player = nullptr,
                    QWidget *parent = nullptr);
    ~TForm2() override;

    // --- controls (member names are their object names) ---
    QFrame *Bevel1 = nullptr;
    QLabel *Image1 = nullptr; // shows canvas
    QLabel *lbCount = nullptr;
    QLabel *lbNCount = nullptr;
    QFrame *Bevel2 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Count = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label1 = nullptr;
    QTableWidget *StringGrid1 = nullptr;
    QStatusBar *stBar = nullptr;
    QLabel *stBarText = nullptr; // stBar's simple text

    // --- menu MainMenu1, in bar order ---
    QAction *Exit1 = nullptr;
    QAction *NextN1 = nullptr;
    QAction *BackB1 = nullptr;
    QAction *P1 = nullptr;
    QAction *S1 = nullptr;
    QAction *P2 = nullptr;
    QAction *S2 = nullptr;
    QAction *D1 = nullptr;
    QAction *S4 = nullptr;
    QAction *D2 = nullptr;
    QAction *S3 = nullptr;
    QMenu *Option1 = nullptr;
    QAction *N1 = nullptr;
    QAction *NumericData1 = nullptr;

    // --- window state ---
    std::unique_ptr<WaveCanvas> canvas; // the picture, with its geometry
    int32_t noisePosition = 0;          // the click's frame
    int32_t noiseValue = 0;             // the click's recorded value
    QString noiseSide;                  // "L" or "R"
    int32_t channelCount = 0;           // channels of the file on show
    int32_t dumpChannel = 0;            // the dump's channel, 0 (left) once a click is shown
    QString shownFileName;              // name (no folder) of the file whose clicks are listed
    QString sourceFolder;               // folder of the input, ending in the separator
    QString repairedFolder;             // folder of the removal run's output
    QString inputName;                  // the run's input whose clicks are listed, as the run had it
    WaveFile wave;                      // the header of the input on show, for the preview
    std::unique_ptr<TWavePlayer> player;

    // --- opening (the main window's handlers) ---
    // 確認 and the result grid's double click: the current row's file after a run.
    void cdViewClick();
    // WaveWindow: the file list's current file, with an empty list.
    void WaveFormW1Click();

    // --- the list ---
    void ClearList();
    void TakeRow(int row);
    void StepForward();
    void StepBack();
    void ShowClick();
    // The file the picture, the dump and the repaired playback read: the
    // removal run's output after a removal run, otherwise the input.
    QString ShownFilePath() const;

    // The window's current status text.
    QString statusText() const;

    // What a screen reader says of the picture, told again whenever what it
    // shows changes: the click (noisePosition, noiseSide, noiseValue), empty
    // axes, or the sound a playback is drawing.
    enum class PictureShows { Nothing, Click, Playback };
    void DescribePicture(PictureShows shown);

public slots:
    void NextN1Click() { StepForward(); }
    void BackB1Click() { StepBack(); }
    void StringGrid1DblClick();
    // Enter (CR) or LF on a listed row shows its click; other keys move as usual.
    // True when the key was taken.
    bool StringGrid1KeyPress(QChar key);
    void N1Click();
    void NumericData1Click();
    // Playback (TForm2Play.cpp).
    void P1Click();
    void P2Click();
    void D1Click();
    void D2Click();
    void S1Click();
    void S2Click();
    void S3Click();
    void S4Click();
    // Enables or disables every item that could start other work during a
    // playback: Exit1, NextN1, BackB1, Option1, the grid, P1, S1, D1, P2,
    // S2 and D2 (S3 and S4 are left alone).
    void SetMenusEnabled(bool enabled);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class MenuSet { AfterCheck, AfterRemoval, FileMode, Default };

    // TForm2View.cpp
    void BuildControls(QWidget *area);
    void BuildGrid(QWidget *area);
    void BuildMenus();
    void ConnectHandlers();
    QAction *AddBarItem(const char *name, const QString &caption, bool visible);
    void KeepOnlyShownItemsInBar();
    void ApplyMenuSet(MenuSet set);
    void ShowPicture();
    // Draws the picture again for the screen the window is on, when that
    // screen's device pixel ratio is not the one it was drawn at.
    void FitPictureToScreen();

    // TForm2Play.cpp: plays with start hidden and stop shown in its place.
    void PlayInPlaceOf(QAction *start, QAction *stop,
                       const std::function<void(PreviewPlayback &)> &play);

    // TForm2.cpp
    bool ListClicks(const QString &fileName);
    void ShowOpened();
    void SetStatusText(const QString &text);
    // Shows row's click; at either end of the list says there is no more.
    void StepTo(int row);
    void NoNextData();
    // Shows row's click when the row lists one; false for an empty row.
    bool ShowListedClick(int row);
    // Puts row's NoisePosition, as listed, on the clipboard (a double click
    // and Ctrl+C); an empty row leaves the clipboard alone.
    void CopyClickPosition(int row);
    void FormClose();
    QString Cell(int row, int column) const;
    void SetCell(int row, int column, const QString &text);

    // Gives this window the focus again when it is shown: a box or dialog
    // that closes hands the focus to the main window, which is disabled
    // while this one shows, and the keys would then do nothing.
    void TakeFocusBack();

    // The host's boxes, each followed by TakeFocusBack.
    class Messages : public MessageSink {
    public:
        explicit Messages(TForm2 &window) : window_(window) {}
        MsgAnswer ShowMsg(const QString &text, bool yesNo = false) override;

    private:
        TForm2 &window_;
    };

    WaveWindowHost &host_;
    Messages messages_{*this};
    std::vector<QAction *> barItems_; // the play, stop and navigation items, in bar order
    bool screenWatched_ = false;      // FitPictureToScreen follows the window's screen
};
