#pragma once
// Metafiles for tests, and comparing a metafile's rendering with a rendering by an independent renderer.

#include "platform/graphics/Metafile.h"

#include <QImage>
#include <QSize>

// Mean absolute difference per channel of two images of the same size, transparency over white.
double MeanAbsoluteDifference(const QImage& A, const QImage& B);

// The picture rendered over white at Size, showing what the independent renderers show: the bounds of
// what the records draw (kept in the header of an EMF, measured when a WMF is read).
QImage RenderLikeReference(const TMetafile& Metafile, QSize Size);

// The difference up to which a rendering counts as like its reference.
constexpr double ReferenceTolerance = 12.0;

class TEmfWriter;

// The records of Writer, finished as a stream of a Side × Side frame at 96 dpi, played onto a white
// square of Side pixels with the reference device's pixels taken one to one.
QImage PlayOnWhiteSquare(TEmfWriter& Writer, int Side);

// A 40 × 30 recording: Background everywhere and a horizontal line of Line, PenWidth pixels wide, across
// row LineY (by default red, and blue across rows 14 to 16).
TMetafile MakeRecording(TColor Background = clRed, TColor Line = clBlue, int PenWidth = 3, int LineY = 15);
