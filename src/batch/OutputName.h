#pragma once
// The automatic output-name rule: take1.wav gives take1_won.wav. The removal
// run names its outputs by it and the main window's output-name field shows it.

#include <QString>

// The end of every automatically named output.
inline const QString kAutoOutputSuffix = QStringLiteral("_won.wav");

// name without the text from its last "." on (the whole name when it has none).
QString CutExtension(const QString &name);

// What becomes of an input name that has no ".", the one case where the two
// callers differ, on purpose:
// - Keep: the removal run names a real file. Cut to nothing, every input
//   without a "." would be written to the same "_won.wav" (one repair replacing
//   another) and nothing would tell which input it came from; so "take" gives
//   "take_won.wav".
// - Drop: the main window's field shows only the pattern of the names a run
//   will give; there a name without an extension shows the bare "_won.wav",
//   just as no file at all does.
enum class DotlessName { Keep, Drop };

// inputName (without folder) cut before its last "." and ended by "_won.wav".
QString AutoOutputName(const QString &inputName, DotlessName dotless);
