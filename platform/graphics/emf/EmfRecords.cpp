#include "platform/graphics/emf/EmfRecords.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <cstddef>
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

// The size of the record at Offset when it lies wholly inside the stream and passes the checks, else 0.
std::uint32_t SafeRecordSize(std::span<const std::uint8_t> Bytes, std::size_t Offset)
{
    if (Bytes.size() - Offset < 8) return 0;
    const std::uint32_t Size = Read32(Bytes.data() + Offset + 4);
    if (Size < 8 || Size % 4 != 0 || Size > Bytes.size() - Offset) return 0;
    const char* Record = reinterpret_cast<const char*>(Bytes.data() + Offset);
    const std::uint32_t Type = Read32(Bytes.data() + Offset);
    // libUEMF's check of the short text record asks for its rectangle even when the options leave it out;
    // that form is checked here, the player checking the characters against the size.
    if (Type == U_EMR_SMALLTEXTOUT && Size >= sizeof(U_EMRSMALLTEXTOUT) &&
        (Read32(Bytes.data() + Offset + offsetof(U_EMRSMALLTEXTOUT, fuOptions)) & U_ETO_NO_RECT))
        return Size;
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
    Info.Handles = int(Read32(Header + 52) & 0xFFFF);
    Info.PaletteEntries = ReadInt(Header + 68);
    Info.DevicePixelsX = ReadInt(Header + 72);
    Info.DevicePixelsY = ReadInt(Header + 76);
    const std::int32_t MillimetresX = ReadInt(Header + 80);
    const std::int32_t MillimetresY = ReadInt(Header + 84);
    // The micrometre size of newer headers is the finer measure of the same device.
    if (Size >= 108 && ReadInt(Header + 100) > 0 && ReadInt(Header + 104) > 0) {
        Info.DeviceMicronsX = ReadInt(Header + 100);
        Info.DeviceMicronsY = ReadInt(Header + 104);
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

std::size_t ValidateEmf(std::span<const std::uint8_t> Bytes)
{
    ReadEmfHeader(Bytes);
    std::size_t Offset = Read32(Bytes.data() + 4);
    while (Offset < Bytes.size()) {
        const std::uint32_t Size = SafeRecordSize(Bytes, Offset);
        if (Size == 0) Invalid();
        const std::uint32_t Type = Read32(Bytes.data() + Offset);
        Offset += Size;
        if (Type == U_EMR_EOF) return Offset;
    }
    Invalid();
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
