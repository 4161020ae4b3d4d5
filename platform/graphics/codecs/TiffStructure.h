#pragma once
// Integers of a TIFF structure (an EXIF block's body) in its byte order, every access checked against the
// end by the caller through Fits.

#include <cstddef>
#include <cstdint>
#include <span>

class TTiffReader
{
public:
    TTiffReader(std::span<const std::uint8_t> Tiff, bool BigEndian) : FTiff(Tiff), FBigEndian(BigEndian) {}

    bool Fits(std::size_t Offset, std::size_t Length) const
    {
        return Offset <= FTiff.size() && Length <= FTiff.size() - Offset;
    }
    std::uint16_t U16(std::size_t Offset) const
    {
        const std::uint8_t* P = FTiff.data() + Offset;
        return FBigEndian ? std::uint16_t(P[0] << 8 | P[1]) : std::uint16_t(P[1] << 8 | P[0]);
    }
    std::uint32_t U32(std::size_t Offset) const
    {
        const std::uint32_t First = U16(Offset);
        const std::uint32_t Second = U16(Offset + 2);
        return FBigEndian ? First << 16 | Second : Second << 16 | First;
    }
    bool BigEndian() const { return FBigEndian; }

private:
    std::span<const std::uint8_t> FTiff;
    bool FBigEndian;
};
