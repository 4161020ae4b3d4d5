// Feeds arbitrary bytes to the BMP reader; what loads is written back and must read back with the same
// layout, then converted to 24 bits and written again. Every refusal must be an EInvalidGraphic;
// anything else (a crash, a leak, a huge allocation, another exception) is a bug.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/system/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TBitmap Bitmap;
    try {
        ReadBmp(std::span(Data, Size), Bitmap);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    std::vector<std::uint8_t> Written;
    WriteBmp(Bitmap, Written);
    TBitmap Back;
    ReadBmp(Written, Back);
    if (Back.Width() != Bitmap.Width() || Back.Height() != Bitmap.Height() ||
        Back.PixelFormat() != Bitmap.PixelFormat())
        __builtin_trap();
    const std::size_t UsedBytes = std::size_t(Bitmap.Width()) * std::size_t(Bitmap.BitCount()) / 8;
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        if (std::memcmp(Back.ScanLine(Y), Bitmap.ScanLine(Y), UsedBytes) != 0) __builtin_trap();
    Bitmap.SetPixelFormat(pf24bit);
    Written.clear();
    WriteBmp(Bitmap, Written);
    return 0;
}
