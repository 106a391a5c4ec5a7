#pragma once
// The wave window: lists the clicks a run logged for one file, draws the
// waveform around them, plays and dumps them. Created once at start-up and
// shown and hidden from then on.

#include <QMainWindow>

class QAction;
class QMenu;

class TForm2 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);

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

private:
    QAction *AddBarItem(const char *name, const QString &caption, bool visible);
};
