#include "platform/graphics/MetafilePict.h"

#include "platform/graphics/emf/WmfConvert.h"
#include "platform/system/Exceptions.h"
#include "platform/system/LastError.h"

#include <optional>
#include <vector>

namespace {

constexpr std::size_t PlaceableHeaderSize = 22;

// An enhanced metafile from the bits of a Windows-format metafile and the record's mapping mode and
// extent; none (ERROR_INVALID_DATA) when the bits are no metafile.
std::optional<TMetafile> SetWinMetaFileBits(std::span<const std::uint8_t> Bits, const METAFILEPICT& Picture)
{
    TMetafile Result;
    try {
        Result.LoadFromStream(Bits);
    } catch (const EInvalidGraphic&) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    if (!IsWmf(Bits) || Result.Empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    Result.SetEnhanced(true);
    Result.SetInch(0);
    if ((Picture.mm == MM_ISOTROPIC || Picture.mm == MM_ANISOTROPIC) && Picture.xExt > 0 && Picture.yExt > 0) {
        Result.SetMMWidth(Picture.xExt);
        Result.SetMMHeight(Picture.yExt);
    }
    return Result;
}

} // namespace

HGLOBAL NewMetafilePictBlock(const TMetafile& Metafile)
{
    if (Metafile.Empty()) return nullptr;
    // The Windows-format metafile is the placeable WMF of the records without its placeable header.
    TMetafile Windows(Metafile);
    Windows.SetEnhanced(false);
    std::vector<std::uint8_t> Wmf;
    Windows.SaveToStream(Wmf);
    if (Wmf.size() <= PlaceableHeaderSize) return nullptr;
    HMETAFILE Bits = GlobalAllocCopy(Wmf.data() + PlaceableHeaderSize, Wmf.size() - PlaceableHeaderSize);
    if (Bits == nullptr) return nullptr;
    return NewMetafilePictRecord(MM_ANISOTROPIC, Metafile.MMWidth(), Metafile.MMHeight(), Bits);
}

TMetafile MetafileFromMetafilePict(const METAFILEPICT& Picture)
{
    const std::uint32_t Size = GetMetaFileBitsEx(Picture.hMF, 0, nullptr);
    if (Size == 0) RaiseLastOSError();
    std::vector<std::uint8_t> Buffer(Size);
    if (GetMetaFileBitsEx(Picture.hMF, Size, Buffer.data()) < Size) RaiseLastOSError();
    std::optional<TMetafile> Result = SetWinMetaFileBits(Buffer, Picture);
    if (!Result) RaiseLastOSError();
    return std::move(*Result);
}
