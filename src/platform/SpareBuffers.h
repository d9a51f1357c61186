#pragma once
// The buffers of the file before, kept for the next one. A run reads each file into a buffer and
// writes its new content into another; freed, their memory is often carved up by what the run
// keeps of the file (its report, the lines a preview shows), and the next file's buffers then
// take fresh pages, each paid for with a page fault. Handing the buffers on keeps their pages.
// Per thread: what one thread gives, only it takes again.
#include <QByteArray>

namespace tralex::SpareBuffers {

// An empty buffer that holds `capacity` bytes without growing: a kept one when one is large
// enough, else a new one.
QByteArray Take(qsizetype capacity);

// Keeps the buffer's memory for a later Take, when nothing else shares it and it is not larger
// than a run keeps freed memory for; else it is simply freed.
void Give(QByteArray&& bytes);

// Frees the kept buffers: at the end of a run, so that a program that waits between runs holds
// no more memory than it needs.
void Release();

}  // namespace tralex::SpareBuffers
