#pragma once

#include <QImage>

// Whole scans are tens of megabytes each, one after another, all of the same size. Their pixel
// buffers are recycled: a scan's buffer goes back to a small pool when the last picture that
// shares it lets go, and the next scan of the same size takes it, instead of faulting fresh
// memory pages in for every scan. Safe to use from any thread.
QImage makeRecycledImage(int width, int height);

// Frees the spare buffers kept for the next scan (at the end of a batch).
void releaseRecycledBuffers();

// How many spare buffers to keep: one per scan a batch may hold at once (0: the default, for
// one scan at a time).
void keepRecycledBuffers(size_t count);
