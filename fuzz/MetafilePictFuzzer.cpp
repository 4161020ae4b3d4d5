// Feeds arbitrary bytes as a dropped metafile picture: the first 12 bytes are the record's mapping mode
// and extent, the rest the Windows-format metafile's bits. The conversion must make an enhanced
// metafile or raise EOSError or EInvalidGraphic; what it makes must play onto a small bitmap.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/MetafilePict.h"
#include "platform/system/Exceptions.h"
#include "platform/system/LastError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size < 12) return 0;
    METAFILEPICT Record{};
    std::memcpy(&Record.mm, Data, 4);
    std::memcpy(&Record.xExt, Data + 4, 4);
    std::memcpy(&Record.yExt, Data + 8, 4);
    Record.hMF = GlobalAllocCopy(Data + 12, Size - 12);
    try {
        const TMetafile Metafile = MetafileFromMetafilePict(Record);
        TBitmap Drawn;
        Drawn.SetSize(32, 32);
        Drawn.Canvas().StretchDraw(Rect(0, 0, 32, 32), Metafile);
    } catch (const EOSError&) {
    } catch (const EInvalidGraphic&) {
    }
    DeleteMetaFile(Record.hMF);
    return 0;
}
