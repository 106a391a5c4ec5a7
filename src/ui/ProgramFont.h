#pragma once
// The program's font, shared by every window and by the application itself.

#include <QFont>

// The Japanese Gothic the captions were laid out for, falling back to an
// installed Japanese Gothic, at pixelSize.
QFont ProgramFont(int pixelSize);
