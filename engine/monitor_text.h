#pragma once
// Texts written on the control monitor. The program places them for a wide
// monitor; a narrower display buffer must still show every word of them.
#include <string>

#include "engine/grabber.h"

namespace velmar {

// Writes text at (x, y), magnified scale times, so that all of it shows: moved left
// (as far as the buffer's left edge) when it would run past the right edge, and
// broken between words onto the following lines when it is wider than the buffer.
// Returns the y just below the last line written.
int DrawTextWhole(Grabber& grabber, GrabberId buffer, int x, int y, const std::string& text, int scale = 1,
                  int colour = 255);

}  // namespace velmar
