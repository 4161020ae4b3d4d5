// Feeds arbitrary bytes to the WebP reader: lossy, lossless, alpha, animation, EXIF orientation and block, and
// re-encodes what decoded. Every failure must be EInvalidGraphic; anything else (a crash, a leak, a huge
// allocation) is a bug.
#include "platform/graphics/WebPImage.h"
#include "platform/graphics/codecs/ExifBlock.h"
#include "platform/system/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    try {
        TWebPImage Image;
        Image.LoadFromStream(std::span(Data, Size));
        const TBitmap& Decoded = Image.Bitmap();
        if (Decoded.Width() != Image.Width() || Decoded.Height() != Image.Height()) __builtin_trap();
        if (std::size_t(Decoded.Width()) * std::size_t(Decoded.Height()) <= 4096) {
            TWebPImage Again;
            Again.AssignFromBitmap(Decoded);
        }
    } catch (const EInvalidGraphic&) {
    }
    // The EXIF block a saved JPEG file would carry: never more than the file's bytes and a header.
    if (ExifForSavedPicture(FindExifBlock(std::span(Data, Size)), 7, 5).size() > Size + 6) __builtin_trap();
    return 0;
}
