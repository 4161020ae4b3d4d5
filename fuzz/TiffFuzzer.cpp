// Feeds arbitrary bytes to the TIFF reader: every compression, depth, colour model, tiles, orientation and page, and
// re-encodes what decoded. Every failure must be EInvalidGraphic; anything else (a crash, a leak, a huge
// allocation) is a bug.
#include "platform/graphics/TiffImage.h"
#include "platform/system/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    try {
        TTiffImage Image;
        Image.LoadFromStream(std::span(Data, Size));
        const TBitmap& Decoded = Image.Bitmap();
        if (Decoded.Width() != Image.Width() || Decoded.Height() != Image.Height()) __builtin_trap();
        if (std::size_t(Decoded.Width()) * std::size_t(Decoded.Height()) <= 4096) {
            TTiffImage Again;
            Again.AssignFromBitmap(Decoded);
        }
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
