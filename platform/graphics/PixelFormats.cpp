// TBitmap::SetPixelFormat: every layout is read row by row into 24-bit blue, green, red and written
// from there into the new layout; 24-bit sources and targets skip the intermediate row.

#include "platform/graphics/Bitmap.h"

#include "platform/graphics/HalftonePalette.h"
#include "platform/graphics/PixelRows.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <cstring>
#include <functional>
#include <vector>

namespace {

using TRowReader = std::function<void(const std::uint8_t* Source, std::uint8_t* Bgr)>;
using TRowWriter = void (*)(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);

struct TTargetLayout
{
    int BitCount;
    std::optional<TBitFields> BitFields;
    TRowWriter Writer; // null for 24 bits
    const TPalette* Palette;
};

TTargetLayout TargetLayout(TPixelFormat Format)
{
    switch (Format) {
    case pf1bit:
        return {1, std::nullopt, WriteBlackWhiteRow, &BlackWhitePalette()};
    case pf4bit:
        return {4, std::nullopt, WriteStandardColorRow, &StandardColorPalette()};
    case pf8bit:
        return {8, std::nullopt, WriteHalftoneRow, &HalftonePalette()};
    case pf15bit:
        return {16, std::nullopt, Write555Row, nullptr};
    case pf16bit:
        return {16, BitFields565, Write565Row, nullptr};
    case pf24bit:
        return {24, std::nullopt, nullptr, nullptr};
    case pfDevice:
    case pf32bit:
        return {32, std::nullopt, WriteBgrxRow, nullptr};
    default:
        throw EInvalidGraphic(Messages::SInvalidPixelFormat);
    }
}

// The reader of Source's rows into 24 bits; null for a 24-bit source, whose rows are used as they are.
TRowReader SourceReader(const TBitmap& Source)
{
    const int Width = Source.Width();
    switch (Source.BitCount()) {
    case 1:
    case 4:
    case 8: {
        auto Colors = std::make_shared<TIndexColors>(MakeIndexColors(Source.ColorTable()));
        const int BitCount = Source.BitCount();
        return [=](const std::uint8_t* Row, std::uint8_t* Bgr) { ReadIndexedRow(Row, BitCount, Width, *Colors, Bgr); };
    }
    case 16:
    case 32: {
        if (Source.BitCount() == 32 && !Source.HasBitFields())
            return [=](const std::uint8_t* Row, std::uint8_t* Bgr) { ReadBgrxRow(Row, Width, Bgr); };
        const TBitFields Fields = Source.HasBitFields() ? Source.BitFields() : BitFields555;
        auto Reader = std::make_shared<TMaskedReader>(Fields);
        const int BitCount = Source.BitCount();
        return [=](const std::uint8_t* Row, std::uint8_t* Bgr) { ReadMaskedRow(Row, BitCount, Width, *Reader, Bgr); };
    }
    case 24:
        return nullptr;
    default:
        throw EInvalidGraphic(Messages::SInvalidPixelFormat);
    }
}

} // namespace

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    const TPixelFormat Current = PixelFormat();
    if (Value == Current) return;
    const TTargetLayout Target = TargetLayout(Value);

    // A device-dependent bitmap already holds the plain 32-bit layout: only the handle changes.
    if ((Current == pfDevice && Value == pf32bit) || (Current == pf32bit && Value == pfDevice)) {
        FHandleType = Value == pfDevice ? bmDDB : bmDIB;
        FPalette = TPalette();
        Changed();
        return;
    }

    // A layout that needs no more bytes is converted in place, each row from a copy of its old bytes,
    // top down (new row Y ends before old row Y + 1 starts); a larger one is written into a new block.
    // Everything that can fail happens before the first row changes.
    const TRowReader Reader = SourceReader(*this);
    const std::size_t NewRowBytes = BytesPerScanLine(FWidth, Target.BitCount);
    const std::size_t OldTotal = FRowBytes * std::size_t(FHeight);
    const std::size_t NewTotal = NewRowBytes * std::size_t(FHeight);
    const std::size_t UsedBytes = (std::size_t(FWidth) * std::size_t(Target.BitCount) + 7) / 8;
    TLargeBlock Grown = NewTotal > OldTotal ? TLargeBlock::ForOverwrite(NewTotal) : TLargeBlock();
    std::uint8_t* NewBits = Grown ? Grown.get() : FBits.get();
    std::vector<std::uint8_t> OldRow(Grown ? 0 : FRowBytes);
    std::vector<std::uint8_t> Between(Reader && Target.Writer ? std::size_t(FWidth) * 3 : 0);
    const int Rows = FWidth > 0 ? FHeight : 0;
    for (int Y = 0; Y < Rows; ++Y) {
        const std::uint8_t* From = FBits.get() + std::size_t(Y) * FRowBytes;
        if (!Grown) From = static_cast<const std::uint8_t*>(std::memcpy(OldRow.data(), From, FRowBytes));
        std::uint8_t* To = NewBits + std::size_t(Y) * NewRowBytes;
        if (!Reader) {
            Target.Writer(From, FWidth, To);
        } else if (!Target.Writer) {
            Reader(From, To);
        } else {
            Reader(From, Between.data());
            Target.Writer(Between.data(), FWidth, To);
        }
        std::memset(To + UsedBytes, 0, NewRowBytes - UsedBytes);
    }
    if (Grown) {
        FBits = std::move(Grown);
    } else if (NewTotal < OldTotal && NewTotal > 0) {
        FBits.Shrink(NewTotal);
    }
    FRowBytes = NewRowBytes;
    FBitCount = Target.BitCount;
    FBitFields = Target.BitFields;
    FPalette = Target.Palette ? *Target.Palette : TPalette();
    FHandleType = Value == pfDevice ? bmDDB : bmDIB;
    Changed();
}
