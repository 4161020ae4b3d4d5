// Feeds arbitrary bytes to the PNG reader; what loads must survive being written and read again.
// Every failure must be an EInvalidGraphic; anything else (a crash, a leak, a huge allocation) is a bug.
#include "platform/graphics/PngImage.h"
#include "platform/system/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TPngImage Png;
    try {
        Png.LoadFromStream(std::span(Data, Size));
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    std::vector<std::uint8_t> Saved;
    Png.SaveToStream(Saved);
    TPngImage Again;
    Again.LoadFromStream(Saved);
    const TBitmap& A = Png.Bitmap();
    const TBitmap& B = Again.Bitmap();
    if (A.Width() != B.Width() || A.Height() != B.Height() || A.BitCount() != B.BitCount()) __builtin_trap();
    for (int Y = 0; Y < A.Height(); ++Y)
        if (std::memcmp(A.ScanLine(Y), B.ScanLine(Y), std::size_t(A.Width()) * std::size_t(A.BitCount() / 8)) != 0)
            __builtin_trap();
    return 0;
}
