#pragma once
// Filling very large polygons without antialiasing, at a cost of their edge crossings and pixels alone:
// a polygon of a hundred thousand self-crossing points would keep the toolkit's rasterizer busy for
// minutes.

#include <QImage>
#include <QList>
#include <QPolygonF>
#include <QRect>

// The coverage of Polygons (device coordinates, each closed) under Rule over Area: an 8-bit alpha image of
// Area's size, opaque where a pixel's centre lies inside, transparent elsewhere. Non-finite points are
// left out with their edges.
QImage ScanFillMask(const QList<QPolygonF>& Polygons, Qt::FillRule Rule, const QRect& Area);

// Adds to Mask (an 8-bit alpha image covering Area) the one-pixel lines joining the points of each
// polyline: one pixel for each step along a line's main direction, as the device draws a thin pen. Each
// line costs the pixels it crosses inside Area alone.
void StrokeThinLines(const QList<QPolygonF>& Polylines, QImage& Mask, const QRect& Area);
