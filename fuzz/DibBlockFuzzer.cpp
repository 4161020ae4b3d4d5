// Feeds arbitrary bytes as the DIB block of a drop: the BMP file made of it must read as a bitmap or be
// refused with EInvalidGraphic; anything else (a crash, a huge allocation, another exception) is a bug.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/Exceptions.h"
#include "platform/system/PackedDib.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::vector<std::uint8_t> File = BmpFileOfPackedDib(std::span(Data, Size));
    if (File.size() != Size + 14 || File[0] != 'B' || File[1] != 'M') __builtin_trap();
    TBitmap Bitmap;
    try {
        ReadPackedDib(std::span(Data, Size), Bitmap);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    // What loaded goes back into a block and loads again with the same size.
    const std::vector<std::uint8_t> Block = PackedDibOf(Bitmap);
    TBitmap Back;
    ReadPackedDib(Block, Back);
    if (Back.Width() != Bitmap.Width() || Back.Height() != Bitmap.Height()) __builtin_trap();
    return 0;
}
