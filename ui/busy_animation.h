#pragma once

// Blocks for `milliseconds` (one frame per 100 ms) while "Working" circles in
// the middle of backgroundHwnd; puts back what the window showed.
void BusyWait(int milliseconds);
