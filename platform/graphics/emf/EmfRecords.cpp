#include "platform/graphics/emf/EmfRecords.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <uemf.h>
#include <uemf_safe.h>

namespace {

constexpr std::uint32_t EmfSignature = 0x464D4520; // " EMF"
constexpr std::size_t MinimumHeader = 88;

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(Messages::SInvalidMetafile);
}

std::uint32_t Read32(const std::uint8_t* Bytes)
{
    std::uint32_t Value;
    std::memcpy(&Value, Bytes, 4);
    return Value;
}

std::int32_t ReadInt(const std::uint8_t* Bytes)
{
    return std::int32_t(Read32(Bytes));
}

// What the record's own layout says before libUEMF's check reads it: that check reads the rectangle and
// advance offset of a text record, and the header of a region, before it compares them with the size.
enum class TLayout
{
    Short,   // the record is shorter than its parameters
    Whole,   // checked here, a form libUEMF's check would wrongly refuse
    Checked, // for libUEMF to check
};

// The extended text records: the fixed part, the rectangle unless the options leave it out, the advance
// offset. Without advances (offDx 0, the font's own) libUEMF's check still asks for them; that form is
// checked here, characters included.
TLayout TextLayout(const char* Record, std::uint32_t Size, std::uint32_t Type)
{
    if (Size < sizeof(U_EMREXTTEXTOUTA)) return TLayout::Short;
    U_EMRTEXT Text;
    std::memcpy(&Text, Record + offsetof(U_EMREXTTEXTOUTA, emrtext), sizeof Text);
    const std::uint64_t DxAt = sizeof(U_EMREXTTEXTOUTA) + ((Text.fOptions & U_ETO_NO_RECT) ? 0 : sizeof(U_RECTL));
    if (DxAt + 4 > Size) return TLayout::Short;
    std::uint32_t OffDx;
    std::memcpy(&OffDx, Record + DxAt, 4);
    if (OffDx != 0) return TLayout::Checked;
    const std::uint64_t Bytes = std::uint64_t(Text.nChars) * (Type == U_EMR_EXTTEXTOUTW ? 2 : 1);
    return Text.offString >= DxAt + 4 && Text.offString <= Size && Bytes <= Size - Text.offString ? TLayout::Whole
                                                                                                  : TLayout::Short;
}

// The region records: the fixed part, then region data of the size the record gives, at least its header.
TLayout RegionLayout(const char* Record, std::uint32_t Size, std::size_t SizeAt, std::size_t DataAt)
{
    if (Size < DataAt) return TLayout::Short;
    std::uint32_t Data;
    std::memcpy(&Data, Record + SizeAt, 4);
    // Selecting no region is a region record without data.
    if (Data == 0 && SizeAt == offsetof(U_EMREXTSELECTCLIPRGN, cbRgnData)) return TLayout::Whole;
    return Data >= sizeof(U_RGNDATAHEADER) && Data <= Size - DataAt ? TLayout::Checked : TLayout::Short;
}

TLayout Layout(const char* Record, std::uint32_t Size, std::uint32_t Type)
{
    switch (Type) {
    case U_EMR_SMALLTEXTOUT:
        // libUEMF's check asks for the rectangle even when the options leave it out; that form is checked
        // here, the player checking the characters against the size.
        if (Size >= sizeof(U_EMRSMALLTEXTOUT) &&
            (Read32(reinterpret_cast<const std::uint8_t*>(Record) + offsetof(U_EMRSMALLTEXTOUT, fuOptions)) &
             U_ETO_NO_RECT))
            return TLayout::Whole;
        return TLayout::Checked;
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW:
        return TextLayout(Record, Size, Type);
    case U_EMR_FILLRGN:
        return RegionLayout(Record, Size, offsetof(U_EMRFILLRGN, cbRgnData), offsetof(U_EMRFILLRGN, RgnData));
    case U_EMR_FRAMERGN:
        return RegionLayout(Record, Size, offsetof(U_EMRFRAMERGN, cbRgnData), offsetof(U_EMRFRAMERGN, RgnData));
    case U_EMR_INVERTRGN:
    case U_EMR_PAINTRGN:
        return RegionLayout(Record, Size, offsetof(U_EMRINVERTRGN, cbRgnData), offsetof(U_EMRINVERTRGN, RgnData));
    case U_EMR_EXTSELECTCLIPRGN:
        return RegionLayout(Record, Size, offsetof(U_EMREXTSELECTCLIPRGN, cbRgnData),
                            offsetof(U_EMREXTSELECTCLIPRGN, RgnData));
    default:
        return TLayout::Checked;
    }
}

// The size of the record at Offset when it lies wholly inside the stream and passes the checks, else 0.
std::uint32_t SafeRecordSize(std::span<const std::uint8_t> Bytes, std::size_t Offset)
{
    if (Bytes.size() - Offset < 8) return 0;
    const std::uint32_t Size = Read32(Bytes.data() + Offset + 4);
    if (Size < 8 || Size % 4 != 0 || Size > Bytes.size() - Offset) return 0;
    const char* Record = reinterpret_cast<const char*>(Bytes.data() + Offset);
    const std::uint32_t Type = Read32(Bytes.data() + Offset);
    switch (Layout(Record, Size, Type)) {
    case TLayout::Short:
        return 0;
    case TLayout::Whole:
        return Size;
    case TLayout::Checked:
        break;
    }
    // libUEMF checks every record type it knows against the record's own size.
    if (Type >= U_EMR_MIN && Type <= U_EMR_MAX && !U_emf_record_safe(Record)) return 0;
    return Size;
}

} // namespace

TEmfHeaderInfo ReadEmfHeader(std::span<const std::uint8_t> Bytes)
{
    if (Bytes.size() < MinimumHeader || Read32(Bytes.data()) != U_EMR_HEADER) Invalid();
    const std::uint32_t Size = Read32(Bytes.data() + 4);
    if (Size < MinimumHeader || Size > Bytes.size() || Read32(Bytes.data() + 40) != EmfSignature) Invalid();
    const std::uint8_t* Header = Bytes.data();
    TEmfHeaderInfo Info;
    Info.BoundsLeft = ReadInt(Header + 8);
    Info.BoundsTop = ReadInt(Header + 12);
    Info.BoundsRight = ReadInt(Header + 16);
    Info.BoundsBottom = ReadInt(Header + 20);
    Info.FrameLeft = ReadInt(Header + 24);
    Info.FrameTop = ReadInt(Header + 28);
    Info.FrameRight = ReadInt(Header + 32);
    Info.FrameBottom = ReadInt(Header + 36);
    Info.Handles = int(Read32(Header + 56) & 0xFFFF);
    Info.PaletteEntries = ReadInt(Header + 68);
    Info.DevicePixelsX = ReadInt(Header + 72);
    Info.DevicePixelsY = ReadInt(Header + 76);
    const std::int32_t MillimetresX = ReadInt(Header + 80);
    const std::int32_t MillimetresY = ReadInt(Header + 84);
    // The header's own fields end where a description or pixel format stored inside its record begins:
    // writers of the oldest header put the description right after its 88 bytes.
    std::uint32_t Fields = Size;
    if (Read32(Header + 60) != 0 && Read32(Header + 64) >= MinimumHeader)
        Fields = std::min(Fields, Read32(Header + 64));
    if (Fields >= 100 && Read32(Header + 88) != 0 && Read32(Header + 92) >= MinimumHeader)
        Fields = std::min(Fields, Read32(Header + 92));
    // The micrometre size of newer headers is the finer measure of the same device; one that is not
    // (a millimetre or more apart) yields to the millimetres every header has.
    const std::int32_t MicronsX = Fields >= 108 ? ReadInt(Header + 100) : 0;
    const std::int32_t MicronsY = Fields >= 108 ? ReadInt(Header + 104) : 0;
    const auto Agrees = [](std::int32_t Microns, std::int32_t Millimetres) {
        return Millimetres <= 0 || std::abs(std::int64_t(Microns) - std::int64_t(Millimetres) * 1000) < 1000;
    };
    if (MicronsX > 0 && MicronsY > 0 && Agrees(MicronsX, MillimetresX) && Agrees(MicronsY, MillimetresY)) {
        Info.DeviceMicronsX = MicronsX;
        Info.DeviceMicronsY = MicronsY;
    } else if (MillimetresX > 0 && MillimetresY > 0 && MillimetresX < 1000000 && MillimetresY < 1000000) {
        Info.DeviceMicronsX = MillimetresX * 1000;
        Info.DeviceMicronsY = MillimetresY * 1000;
    }
    // A device without a usable size is taken as a 96-dpi screen.
    if (Info.DevicePixelsX <= 0 || Info.DevicePixelsY <= 0 || Info.DeviceMicronsX <= 0 || Info.DeviceMicronsY <= 0) {
        Info.DevicePixelsX = 1920;
        Info.DevicePixelsY = 1080;
        Info.DeviceMicronsX = 508000;
        Info.DeviceMicronsY = 285750;
    }
    return Info;
}

void ValidateEmf(std::vector<std::uint8_t>& Bytes)
{
    ReadEmfHeader(Bytes);
    std::size_t Offset = Read32(Bytes.data() + 4);
    std::uint32_t Records = 1;
    while (Offset < Bytes.size()) {
        // A record the file cuts short ends the file.
        if (Bytes.size() - Offset < 8 || Read32(Bytes.data() + Offset + 4) > Bytes.size() - Offset) break;
        const std::uint32_t Size = SafeRecordSize(Bytes, Offset);
        if (Size == 0) Invalid();
        const std::uint32_t Type = Read32(Bytes.data() + Offset);
        Offset += Size;
        ++Records;
        if (Type == U_EMR_EOF) {
            Bytes.resize(Offset);
            return;
        }
    }
    // The file ends before its end-of-file record: what is whole is kept, the record ending it added.
    Bytes.resize(Offset);
    const std::uint32_t End[5] = {U_EMR_EOF, 20, 0, 16, 20}; // no palette; the size again last
    const auto* EndBytes = reinterpret_cast<const std::uint8_t*>(End);
    Bytes.insert(Bytes.end(), EndBytes, EndBytes + sizeof End);
    const std::uint32_t Length = std::uint32_t(Bytes.size());
    ++Records;
    std::memcpy(Bytes.data() + 48, &Length, 4);
    std::memcpy(Bytes.data() + 52, &Records, 4);
}

void ForEachEmfRecord(std::span<const std::uint8_t> Bytes,
                      const std::function<void(std::uint32_t Type, const char* Record, std::uint32_t Size)>& Visit)
{
    ReadEmfHeader(Bytes);
    std::size_t Offset = Read32(Bytes.data() + 4);
    while (Offset < Bytes.size()) {
        const std::uint32_t Size = SafeRecordSize(Bytes, Offset);
        if (Size == 0) return;
        const std::uint32_t Type = Read32(Bytes.data() + Offset);
        if (Type == U_EMR_EOF) return;
        Visit(Type, reinterpret_cast<const char*>(Bytes.data() + Offset), Size);
        Offset += Size;
    }
}
