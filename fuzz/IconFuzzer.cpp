// Feeds arbitrary bytes to the icon reader (directory, DIB and PNG entries) and draws what loaded.
// Every failure must be an EInvalidGraphic; anything else (a crash, a leak, a huge allocation) is a bug.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/system/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    try {
        TIcon Icon;
        Icon.LoadFromStream(std::span(Data, Size));
        TBitmap Target;
        Target.SetLayout(8, 8, 24);
        Target.Canvas().StretchDraw(Rect(0, 0, 8, 8), Icon);
        std::vector<std::uint8_t> Saved;
        Icon.SaveToStream(Saved);
        if (Saved.size() != Size) __builtin_trap();
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
