#pragma once
// How the C library's heap serves a run, which works on one file after another in buffers the
// size of each file.

namespace tralex {

// With the C library's defaults, a buffer over 128 KiB is mapped for each file and unmapped
// after it, and memory freed at the top of the heap is given back at once: every file pays for
// its pages again (a page fault and zeroing per 4 KiB), which doubled the time of a run over
// many files. From the first call on, buffers up to 32 MiB come from the heap and up to 64 MiB
// of freed memory is kept for the next file. Only the first call does anything.
void KeepFreedMemoryForNextFile();

}  // namespace tralex
