#pragma once
// Device-independent bitmaps stored inside metafile records, as Qt images.

#include <QImage>
#include <QSize>

#include <cstdint>

// The bitmap whose header lies at OffBmi (CbBmi bytes) and whose pixels lie at OffBits (CbBits bytes) of
// a record of Size bytes; a null image when the parts leave the record or do not describe a bitmap.
// KeepAlpha reads the fourth byte of 32-bit pixels as premultiplied alpha, as alpha blending wants.
// JPEG pixels are decoded only as large as Needed asks (the whole bitmap's size on the device; empty:
// full size), so the image may be smaller than the header says.
QImage DibToImage(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi,
                  std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage, bool KeepAlpha = false,
                  QSize Needed = {});

// The width and signed height of that bitmap's header (negative for top-down rows), 0 × 0 when there is
// none.
QSize DibSize(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi);

// The sizes of a packed DIB's header and colour table and of its pixels, from its header; false when the
// header does not fit before End.
bool SplitDib(const char* Dib, const char* End, std::uint32_t& BmiSize, std::uint32_t& BitsSize);
