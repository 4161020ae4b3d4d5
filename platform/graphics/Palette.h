#pragma once
// Palettes: the logical palette record (version 0x300, entries red, green, blue, flags) and the
// palette object made from it. A palette is a value: copying it copies its entries.

#include <cstdint>
#include <span>
#include <vector>

struct TPaletteEntry
{
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

constexpr std::uint16_t PaletteVersion = 0x300;

// The logical palette record: version, 16-bit entry count, then the entries.
struct TLogPalette
{
    std::uint16_t palVersion = PaletteVersion;
    std::vector<TPaletteEntry> palPalEntry;
    std::uint16_t palNumEntries() const { return std::uint16_t(palPalEntry.size()); }
};

class TPalette
{
public:
    TPalette() = default;
    explicit TPalette(const TLogPalette& Record) : FEntries(Record.palPalEntry) {}
    explicit TPalette(std::vector<TPaletteEntry> Entries) : FEntries(std::move(Entries)) {}

    int Count() const { return int(FEntries.size()); }
    bool Empty() const { return FEntries.empty(); }
    const TPaletteEntry& operator[](int Index) const { return FEntries[std::size_t(Index)]; }
    std::span<const TPaletteEntry> Entries() const { return FEntries; }
    TLogPalette LogPalette() const { return TLogPalette{PaletteVersion, FEntries}; }

    friend bool operator==(const TPalette&, const TPalette&) = default;

private:
    std::vector<TPaletteEntry> FEntries;
};
