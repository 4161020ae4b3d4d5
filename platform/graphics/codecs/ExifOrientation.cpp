#include "platform/graphics/codecs/ExifOrientation.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/TiffStructure.h"

#include <cstring>
#include <vector>

namespace {

constexpr std::uint16_t OrientationTag = 0x0112;
constexpr std::uint16_t ShortType = 3;

// The orientation in a bare TIFF structure (byte order mark, 42, first directory).
int ReadTiffOrientation(std::span<const std::uint8_t> Tiff)
{
    if (Tiff.size() < 8) return 1;
    bool BigEndian;
    if (Tiff[0] == 'M' && Tiff[1] == 'M')
        BigEndian = true;
    else if (Tiff[0] == 'I' && Tiff[1] == 'I')
        BigEndian = false;
    else
        return 1;
    const TTiffReader Reader(Tiff, BigEndian);
    if (Reader.U16(2) != 42) return 1;
    const std::size_t Directory = Reader.U32(4);
    if (!Reader.Fits(Directory, 2)) return 1;
    const std::size_t Count = Reader.U16(Directory);
    for (std::size_t Index = 0; Index < Count; ++Index) {
        const std::size_t Entry = Directory + 2 + Index * 12;
        if (!Reader.Fits(Entry, 12)) return 1;
        if (Reader.U16(Entry) != OrientationTag) continue;
        // A SHORT of count 1 sits left-justified in the value field.
        if (Reader.U16(Entry + 2) != ShortType || Reader.U32(Entry + 4) != 1) return 1;
        const int Value = Reader.U16(Entry + 8);
        return Value >= 1 && Value <= 8 ? Value : 1;
    }
    return 1;
}

} // namespace

int ReadExifOrientation(std::span<const std::uint8_t> Payload)
{
    static constexpr std::uint8_t Signature[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (Payload.size() < sizeof Signature || std::memcmp(Payload.data(), Signature, sizeof Signature) != 0) return 1;
    return ReadTiffOrientation(Payload.subspan(sizeof Signature));
}

void OrientBitmap(const TBitmap& Stored, int Orientation, TBitmap& Target)
{
    const int W = Stored.Width();
    const int H = Stored.Height();
    const bool Swap = SwapsSides(Orientation);
    const int TargetWidth = Swap ? H : W;
    const int TargetHeight = Swap ? W : H;
    const std::size_t PixelBytes = std::size_t(Stored.BitCount() / 8);
    Target.SetLayout(TargetWidth, TargetHeight, Stored.BitCount());
    std::vector<const std::uint8_t*> Rows(static_cast<std::size_t>(H));
    for (int Y = 0; Y < H; ++Y) Rows[std::size_t(Y)] = Stored.ScanLine(Y);
    for (int Y = 0; Y < TargetHeight; ++Y) {
        std::uint8_t* Row = Target.ScanLine(Y);
        for (int X = 0; X < TargetWidth; ++X) {
            // (SX, SY): the stored pixel shown at (X, Y).
            int SX = X, SY = Y;
            switch (Orientation) {
            case 2:
                SX = W - 1 - X;
                break;
            case 3:
                SX = W - 1 - X;
                SY = H - 1 - Y;
                break;
            case 4:
                SY = H - 1 - Y;
                break;
            case 5:
                SX = Y;
                SY = X;
                break;
            case 6:
                SX = Y;
                SY = H - 1 - X;
                break;
            case 7:
                SX = W - 1 - Y;
                SY = H - 1 - X;
                break;
            case 8:
                SX = W - 1 - Y;
                SY = X;
                break;
            default:
                break;
            }
            std::memcpy(Row + std::size_t(X) * PixelBytes, Rows[std::size_t(SY)] + std::size_t(SX) * PixelBytes,
                        PixelBytes);
        }
    }
}

void ShowUpright(TBitmap&& Stored, int Orientation, TBitmap& Target)
{
    if (Orientation >= 2 && Orientation <= 8)
        OrientBitmap(Stored, Orientation, Target);
    else
        Target = std::move(Stored);
}
