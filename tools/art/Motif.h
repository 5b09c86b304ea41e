#pragma once
// The application's motif: a sheet of paper with a folded corner, lines of text and a blue pen lying
// across it, as the icon shows it and the wizard's logos repeat it.
#include "tools/art/Drawing.h"

namespace ulv::art {

// Appends the motif drawn to fill a size x size square whose top left corner is at origin. The page
// snaps to whole pixels of that size, and small sizes get fewer text lines and a slimmer pen, so the
// motif stays legible down to 16 px.
void AddMotif(int size, Point origin, Shapes& shapes);

} // namespace ulv::art
