// Feeds arbitrary bytes to the JPEG reader: header, orientation, decoding, and re-encoding of what
// decoded. Every failure must be an EJPEG; anything else (a crash, a leak, a huge allocation) is a bug.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/system/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    try {
        TJPEGImage Jpeg;
        Jpeg.LoadFromStream(std::span(Data, Size));
        const TBitmap& Decoded = Jpeg.Bitmap();
        if (Decoded.Width() != Jpeg.Width() || Decoded.Height() != Jpeg.Height()) __builtin_trap();
        if (std::size_t(Decoded.Width()) * std::size_t(Decoded.Height()) <= 4096) {
            TJPEGImage Again;
            Again.Assign(Decoded);
        }
    } catch (const EJPEG&) {
    }
    return 0;
}
