#include "platform/graphics/codecs/HeifGrid.h"

#include <cstring>
#include <string_view>

namespace {

// Reads big-endian integers of 0 to 8 bytes from a range; a read past its end sets Ok to false and gives 0.
class TBoxReader
{
public:
    explicit TBoxReader(std::span<const std::uint8_t> Range) : FRange(Range) {}

    std::uint64_t Read(unsigned Bytes)
    {
        if (Bytes > 8 || FRange.size() - FAt < Bytes) {
            FOk = false;
            FAt = FRange.size();
            return 0;
        }
        std::uint64_t Value = 0;
        for (unsigned Index = 0; Index < Bytes; ++Index) Value = Value << 8 | FRange[FAt++];
        return Value;
    }
    bool Ok() const { return FOk; }

private:
    std::span<const std::uint8_t> FRange;
    std::size_t FAt = 0;
    bool FOk = true;
};

// The body of the first box of Type in Range (the boxes one after another), or an empty span.
std::span<const std::uint8_t> FindBox(std::span<const std::uint8_t> Range, std::string_view Type)
{
    while (Range.size() >= 8) {
        std::uint64_t Size = std::uint64_t(Range[0]) << 24 | std::uint64_t(Range[1]) << 16 | Range[2] << 8 | Range[3];
        std::size_t Header = 8;
        if (Size == 1) {
            if (Range.size() < 16) return {};
            TBoxReader Large(Range.subspan(8, 8));
            Size = Large.Read(8);
            Header = 16;
        } else if (Size == 0) {
            Size = Range.size();
        }
        if (Size < Header || Size > Range.size()) return {};
        if (std::memcmp(Range.data() + 4, Type.data(), 4) == 0)
            return Range.subspan(Header, std::size_t(Size) - Header);
        Range = Range.subspan(std::size_t(Size));
    }
    return {};
}

// The item type ("grid", "hvc1", ...) of Item in the body of an "iinf" box, or "".
std::string_view ItemType(std::span<const std::uint8_t> Iinf, std::uint64_t Item)
{
    if (Iinf.empty()) return {};
    std::span<const std::uint8_t> Entries = Iinf.subspan(std::min<std::size_t>(Iinf.size(), Iinf[0] == 0 ? 6 : 8));
    while (!Entries.empty()) {
        const std::span<const std::uint8_t> Entry = FindBox(Entries, "infe");
        if (Entry.empty()) return {};
        TBoxReader Reader(Entry);
        const std::uint64_t Version = Reader.Read(1);
        Reader.Read(3);
        if (Version >= 2) {
            const std::uint64_t Id = Reader.Read(Version == 2 ? 2 : 4);
            Reader.Read(2);
            const std::size_t TypeAt = Version == 2 ? 8 : 10;
            if (Reader.Ok() && Id == Item && Entry.size() >= TypeAt + 4)
                return std::string_view(reinterpret_cast<const char*>(Entry.data() + TypeAt), 4);
        }
        // The next entry follows this one's body.
        Entries = Entries.subspan(std::size_t(Entry.data() + Entry.size() - Entries.data()));
    }
    return {};
}

// The first extent of Item as "iloc" places it: in the file, or in the "idat" box.
std::span<const std::uint8_t> ItemData(std::span<const std::uint8_t> File, std::span<const std::uint8_t> Iloc,
                                       std::span<const std::uint8_t> Idat, std::uint64_t Item)
{
    TBoxReader Reader(Iloc);
    const std::uint64_t Version = Reader.Read(1);
    Reader.Read(3);
    const std::uint64_t Sizes = Reader.Read(2);
    const unsigned OffsetSize = unsigned(Sizes >> 12), LengthSize = unsigned(Sizes >> 8) & 15,
                   BaseSize = unsigned(Sizes >> 4) & 15, IndexSize = Version == 0 ? 0 : unsigned(Sizes) & 15;
    const std::uint64_t Count = Reader.Read(Version < 2 ? 2 : 4);
    for (std::uint64_t Index = 0; Index < Count && Reader.Ok(); ++Index) {
        const std::uint64_t Id = Reader.Read(Version < 2 ? 2 : 4);
        const std::uint64_t Method = Version == 0 ? 0 : Reader.Read(2) & 15;
        Reader.Read(2);
        const std::uint64_t Base = Reader.Read(BaseSize);
        const std::uint64_t Extents = Reader.Read(2);
        for (std::uint64_t Extent = 0; Extent < Extents && Reader.Ok(); ++Extent) {
            Reader.Read(IndexSize);
            const std::uint64_t Offset = Base + Reader.Read(OffsetSize);
            const std::uint64_t Length = Reader.Read(LengthSize);
            if (Id != Item || Extent > 0 || !Reader.Ok()) continue;
            const std::span<const std::uint8_t> Source = Method == 0   ? File
                                                         : Method == 1 ? Idat
                                                                       : std::span<const std::uint8_t>{};
            if (Offset >= Source.size()) return {};
            return Source.subspan(
                std::size_t(Offset),
                std::size_t(std::min<std::uint64_t>(Length == 0 ? Source.size() : Length, Source.size() - Offset)));
        }
    }
    return {};
}

} // namespace

std::optional<THeifGridSize> PrimaryGridSize(std::span<const std::uint8_t> Bytes)
{
    const std::span<const std::uint8_t> Meta = FindBox(Bytes, "meta");
    if (Meta.size() < 4) return std::nullopt;
    const std::span<const std::uint8_t> Boxes = Meta.subspan(4);
    const std::span<const std::uint8_t> Pitm = FindBox(Boxes, "pitm");
    TBoxReader Primary(Pitm);
    const std::uint64_t Version = Primary.Read(1);
    Primary.Read(3);
    const std::uint64_t Item = Primary.Read(Version == 0 ? 2 : 4);
    if (!Primary.Ok() || ItemType(FindBox(Boxes, "iinf"), Item) != "grid") return std::nullopt;
    // The descriptor: version, flags (bit 0: 32-bit sizes), rows − 1, columns − 1, width, height.
    TBoxReader Grid(ItemData(Bytes, FindBox(Boxes, "iloc"), FindBox(Boxes, "idat"), Item));
    Grid.Read(1);
    const unsigned FieldSize = (Grid.Read(1) & 1) ? 4 : 2;
    Grid.Read(2);
    THeifGridSize Size;
    Size.Width = Grid.Read(FieldSize);
    Size.Height = Grid.Read(FieldSize);
    if (!Grid.Ok()) return std::nullopt;
    return Size;
}
