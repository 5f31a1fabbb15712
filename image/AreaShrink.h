#pragma once

#include <QImage>

// Shrinks a 32-bit picture (RGB32 or premultiplied ARGB32) by area averaging: every target
// pixel is the mean of the source pixels it covers, each weighted by how much of it is covered.
// That is what Qt's smooth scaling does when it shrinks, at a fraction of the cost: one
// vertical pass over the rows that meet a target row, one horizontal pass over the result, both
// on 16-bit fixed point with SIMD where the machine has it.
//
// Returns a null image when this is not a shrink of a 32-bit picture (the target larger than
// the source on either axis, a width or height below 1, another pixel format) or when there is
// no memory for the result; the caller then scales some other way.
QImage shrinkByAreaAverage(const QImage& source, int width, int height);

// The instructions the shrink may use: the best the machine has (AVX2, else SSE2) unless told
// otherwise. Tests and the benchmark narrow it to run and time the other paths on a machine that
// has the wider ones; the paths give the same result within one level. Takes effect for shrinks
// that start after the call, on any thread.
enum class AreaShrinkSimd { Best, Sse2, Plain };
void setAreaShrinkSimd(AreaShrinkSimd level);
// The level set last (Best unless told otherwise).
AreaShrinkSimd areaShrinkSimd();
// Whether a shrink starting now takes the AVX2 path: the machine has it and the level allows
// it. The turned page sampler follows the same choice.
bool areaShrinkUsesAvx2();

// Smooth scaling: area averaging when the picture shrinks, Qt's smooth scaling otherwise.
QImage smoothScaled(const QImage& source, int width, int height);

// For showing a picture on screen: a strong shrink averages a regular sample of the source pixels
// (three across each target pixel on each axis) instead of all of them.
QImage previewScaled(const QImage& source, int width, int height);
