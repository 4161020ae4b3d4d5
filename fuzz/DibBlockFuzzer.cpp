// Feeds arbitrary bytes as the DIB block of a drop: the block must read as a bitmap or be refused with
// EInvalidGraphic, read where it lies exactly as its BMP file reads; anything else (a crash, a huge
// allocation, another exception, a difference between the two readings) is a bug.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/PackedDib.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Whether Read fills Bitmap or refuses the bytes as a damaged picture.
template <class TRead> bool Reads(TRead&& Read, TBitmap& Bitmap)
{
    try {
        Read(Bitmap);
        return true;
    } catch (const EInvalidGraphic&) {
        return false;
    }
}

bool Same(const TBitmap& A, const TBitmap& B)
{
    if (A.Width() != B.Width() || A.Height() != B.Height() || A.PixelFormat() != B.PixelFormat() ||
        A.BitFields() != B.BitFields() || A.ColorTable() != B.ColorTable())
        return false;
    const std::size_t Used = (std::size_t(A.Width()) * std::size_t(A.BitCount()) + 7) / 8;
    for (int Y = 0; Y < A.Height(); ++Y)
        if (std::memcmp(A.ScanLine(Y), B.ScanLine(Y), Used) != 0) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::vector<std::uint8_t> File = BmpFileOfPackedDib(std::span(Data, Size));
    if (File.size() != Size + 14 || File[0] != 'B' || File[1] != 'M') __builtin_trap();
    TBitmap Bitmap;
    TBitmap FromFile;
    const bool Read = Reads([&](TBitmap& Target) { ReadPackedDib(std::span(Data, Size), Target); }, Bitmap);
    if (Read != Reads([&](TBitmap& Target) { ReadBmp(File, Target); }, FromFile)) __builtin_trap();
    if (!Read) return 0;
    if (!Same(Bitmap, FromFile)) __builtin_trap();
    // What loaded goes back into a block and loads again with the same size.
    const std::vector<std::uint8_t> Block = PackedDibOf(Bitmap);
    TBitmap Back;
    ReadPackedDib(Block, Back);
    if (Back.Width() != Bitmap.Width() || Back.Height() != Bitmap.Height()) __builtin_trap();
    return 0;
}
