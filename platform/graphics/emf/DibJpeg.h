#pragma once
// JPEG pixels of a metafile's bitmap record, decoded no larger than the record's destination needs.

#include <QImage>
#include <QSize>

#include <cstddef>

// The picture of the JPEG data, scaled down by libjpeg (by 1/2, 1/4 or 1/8) as far as it still covers
// Needed (device pixels; empty: full size); a null image for data libjpeg refuses, a colour model other
// than grey or RGB/YCbCr, or a picture of more than MaxPixels once scaled.
QImage DecodeDibJpeg(const unsigned char* Data, std::size_t Size, QSize Needed, long long MaxPixels);
