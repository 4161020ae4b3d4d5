#pragma once
// Metafiles for tests, and comparing a metafile's rendering with a rendering by an independent renderer.

#include "platform/graphics/Metafile.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

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

// Little-endian values appended to Bytes, as metafile records hold them.
void Append16(std::vector<std::uint8_t>& Bytes, std::uint16_t Value);
void Append32(std::vector<std::uint8_t>& Bytes, std::uint32_t Value);

// A placeable WMF of Inch units per inch over the box (0, 0)–(Width, Height), with the records given.
std::vector<std::uint8_t> PlaceableWmf(const std::vector<std::uint8_t>& Records, std::int16_t Width = 100,
                                       std::int16_t Height = 100, std::uint16_t Inch = 96);
