#pragma once

// Blocks for `milliseconds` (one frame per started 100 ms, none for 0 or less)
// while "Working" circles in the middle of backgroundHwnd; puts back what the
// window showed. Dispatches no messages.
void BusyWait(int milliseconds);
// The rotation step the next frame will be drawn at (0 ... 35); it advances by
// one per frame and carries over from one wait to the next.
int BusyRotationStep();
