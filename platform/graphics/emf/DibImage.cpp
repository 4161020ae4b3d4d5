#include "platform/graphics/emf/DibImage.h"

#include "platform/graphics/emf/DibJpeg.h"

#include <QByteArray>

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiBitFields = 3;
constexpr std::uint32_t BiJpeg = 4;
constexpr std::uint32_t BiPng = 5;
constexpr std::uint32_t DibPalColors = 1;
// Larger bitmaps are refused rather than allocated: no real drawing holds more in one record.
constexpr std::int64_t MaxPixels = std::int64_t(1) << 26;

struct THeader
{
    std::uint32_t Size = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t BitCount = 0;
    std::uint32_t Compression = 0;
};

bool Fits(std::uint32_t Offset, std::uint32_t Count, std::uint32_t Size)
{
    return Offset <= Size && Count <= Size - Offset;
}

bool ReadHeader(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi, THeader& Header)
{
    if (CbBmi < 12 || !Fits(OffBmi, CbBmi, Size)) return false;
    const char* Bmi = Record + OffBmi;
    std::memcpy(&Header.Size, Bmi, 4);
    if (Header.Size == 12) {
        std::uint16_t Width, Height;
        std::memcpy(&Width, Bmi + 4, 2);
        std::memcpy(&Height, Bmi + 6, 2);
        std::memcpy(&Header.BitCount, Bmi + 10, 2);
        Header.Width = Width;
        Header.Height = Height;
        return true;
    }
    if (Header.Size < 40 || CbBmi < 40) return false;
    std::memcpy(&Header.Width, Bmi + 4, 4);
    std::memcpy(&Header.Height, Bmi + 8, 4);
    std::memcpy(&Header.BitCount, Bmi + 14, 2);
    std::memcpy(&Header.Compression, Bmi + 16, 4);
    return true;
}

} // namespace

QSize DibSize(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi)
{
    THeader Header;
    return ReadHeader(Record, Size, OffBmi, CbBmi, Header) ? QSize(Header.Width, Header.Height) : QSize(0, 0);
}

QImage DibToImage(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi,
                  std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage, bool KeepAlpha, QSize Needed)
{
    THeader Header;
    if (!ReadHeader(Record, Size, OffBmi, CbBmi, Header) || !Fits(OffBits, CbBits, Size) || CbBits == 0) return {};
    const std::int64_t Height = std::llabs(Header.Height);
    if (Header.Width <= 0 || Height == 0 || Header.Width * Height > MaxPixels) return {};
    if (Header.Compression == BiJpeg)
        return DecodeDibJpeg(reinterpret_cast<const unsigned char*>(Record + OffBits), CbBits, Needed, MaxPixels);
    if (Header.Compression == BiPng)
        return QImage::fromData(reinterpret_cast<const uchar*>(Record + OffBits), int(CbBits));
    // Colour tables of palette indices need the palette of the device that played the records.
    if (Usage == DibPalColors && Header.BitCount <= 8) return {};
    if (KeepAlpha && Header.BitCount == 32 && Header.Compression == BiRgb) {
        const std::int64_t Stride = std::int64_t(Header.Width) * 4;
        if (CbBits < Stride * Height) return {};
        QImage Image(Header.Width, int(Height), QImage::Format_ARGB32_Premultiplied);
        for (int Y = 0; Y < int(Height); ++Y) {
            // Bottom-up rows unless the height is negative.
            const int Source = Header.Height > 0 ? int(Height) - 1 - Y : Y;
            std::memcpy(Image.scanLine(Y), Record + OffBits + Source * Stride, std::size_t(Stride));
        }
        return Image;
    }
    // Everything else goes through Qt's BMP reader behind a file header of our own.
    QByteArray File(14, '\0');
    File[0] = 'B';
    File[1] = 'M';
    const std::uint32_t FileSize = 14 + CbBmi + CbBits, PixelsAt = 14 + CbBmi;
    std::memcpy(File.data() + 2, &FileSize, 4);
    std::memcpy(File.data() + 10, &PixelsAt, 4);
    File.append(Record + OffBmi, qsizetype(CbBmi));
    File.append(Record + OffBits, qsizetype(CbBits));
    return QImage::fromData(File, "BMP");
}

bool SplitDib(const char* Dib, const char* End, std::uint32_t& BmiSize, std::uint32_t& BitsSize)
{
    if (End - Dib < 40) return false;
    std::uint32_t HeaderBytes, Compression, Used;
    std::uint16_t BitCount;
    std::memcpy(&HeaderBytes, Dib, 4);
    if (HeaderBytes < 40 || HeaderBytes > std::uint32_t(End - Dib)) return false;
    std::memcpy(&BitCount, Dib + 14, 2);
    std::memcpy(&Compression, Dib + 16, 4);
    std::memcpy(&Used, Dib + 32, 4);
    std::uint64_t Colors = BitCount <= 8 ? (Used != 0 ? Used : (1u << BitCount)) : Used;
    if (Colors > 256 && BitCount <= 8) Colors = 256;
    std::uint64_t Table = Colors * 4;
    if (Compression == BiBitFields && HeaderBytes == 40) Table += 12;
    if (HeaderBytes + Table > std::uint64_t(End - Dib)) return false;
    BmiSize = std::uint32_t(HeaderBytes + Table);
    BitsSize = std::uint32_t(End - Dib) - BmiSize;
    return true;
}
