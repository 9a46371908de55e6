#pragma once

#include <QCursor>

namespace pelko {

// Pelko's own pointers, drawn here rather than loaded: "CURSOR_1", a white hand with a black
// outline whose index finger points to the upper left (32 x 32, hotspot (0, 0)), and
// "CURSOR_2", a black arrowhead with a white outline, its tip at the hotspot (32 x 32,
// hotspot (6, 0)).
QCursor handPointer();   // CURSOR_1
QCursor arrowPointer();  // CURSOR_2

}  // namespace pelko
