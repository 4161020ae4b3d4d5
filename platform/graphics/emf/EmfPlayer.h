#pragma once
// Plays an EMF record stream onto a QPainter: a GDI state machine of our own (object table, saved
// states, mapping modes, world transform, pens, brushes, fonts, text, bitmaps, paths and clipping).

#include <QPainter>
#include <QRectF>

#include <cstdint>
#include <span>

// Draws the metafile so that Source, a rectangle in reference-device pixels, fills Target (surface
// coordinates). The painter's device shows the surface from Origin on, as a band of a larger surface
// does: what lands on the device is what the whole surface gets there, hatches and patterns included.
// Raises "メタファイルが不正です" for a stream without a usable header; a damaged record ends the playback
// and what precedes it stays drawn. Unknown records and EMF+ comments are skipped.
void PlayEmf(std::span<const std::uint8_t> Emf, QPainter& Painter, const QRectF& Target, const QRectF& Source,
             QPoint Origin = QPoint(0, 0));

// The metafile's frame in reference-device pixels: the rectangle Draw maps onto its target.
QRectF EmfFrameInDevicePixels(std::span<const std::uint8_t> Emf);
// The metafile's bounds in reference-device pixels.
QRectF EmfBoundsInDevicePixels(std::span<const std::uint8_t> Emf);

// The rectangle the records actually draw into, in reference-device pixels; empty when they draw nothing.
QRectF EmfDrawingBounds(std::span<const std::uint8_t> Emf);
