// A short scheduling slice for a thread that works for long stretches in
// the background.
#pragma once

// Asks the kernel to let the calling thread run for at most about half a
// millisecond before a thread that woke on the same core gets it. Without
// it, a worker that decodes for milliseconds keeps its core for a whole
// slice while the thread that shows the shots, or the display server,
// waits its turn. Its share of the processor stays the same. Kernels
// without per-thread slices (before Linux 6.12) take the request and ignore
// it; other systems, and threads not under the normal policies, are left as
// they are (false).
bool RequestShortSlice();
