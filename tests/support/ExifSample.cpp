#include "tests/support/ExifSample.h"

#include <cstring>
#include <string>

namespace {

constexpr std::size_t Start = 6; // after "Exif\0\0"

} // namespace

void PutExifNumber(TExifSample& Sample, std::size_t At, std::uint32_t Value, int Bytes)
{
    for (int Index = 0; Index < Bytes; ++Index) {
        const int Shift = Sample.BigEndian ? 8 * (Bytes - 1 - Index) : 8 * Index;
        Sample.Payload[At + std::size_t(Index)] = std::uint8_t(Value >> Shift);
    }
}

TExifSample MakeExifSample(bool BigEndian, int Orientation, int PixelX, int PixelY)
{
    TExifSample Sample;
    Sample.BigEndian = BigEndian;
    Sample.Payload.assign(Start + 161, 0);
    std::memcpy(Sample.Payload.data(), "Exif\0\0", 6);
    const auto Put = [&Sample](std::size_t At, std::uint32_t Value, int Bytes) {
        PutExifNumber(Sample, Start + At, Value, Bytes);
    };
    // A directory entry: tag, type, count, then the value (left-justified) or the offset of the data.
    const auto Entry = [&Put](std::size_t At, int Tag, int Type, int Count, std::uint32_t Value, int ValueBytes) {
        Put(At, std::uint32_t(Tag), 2);
        Put(At + 2, std::uint32_t(Type), 2);
        Put(At + 4, std::uint32_t(Count), 4);
        Put(At + 8, Value, ValueBytes);
    };
    Sample.Payload[Start] = Sample.Payload[Start + 1] = BigEndian ? 'M' : 'I';
    Put(2, 42, 2);
    Put(4, 8, 4);
    // The main directory at 8: make, orientation, EXIF directory, GPS directory.
    Put(8, 4, 2);
    Entry(10, 0x010F, 2, 19, 122, 4);
    Entry(22, 0x0112, 3, 1, std::uint32_t(Orientation), 2);
    Entry(34, 0x8769, 4, 1, 62, 4);
    Entry(46, 0x8825, 4, 1, 104, 4);
    // The EXIF directory at 62: date taken, pixel dimensions (a SHORT and a LONG).
    Put(62, 3, 2);
    Entry(64, 0x9003, 2, 20, 141, 4);
    Entry(76, 0xA002, 3, 1, std::uint32_t(PixelX), 2);
    Entry(88, 0xA003, 4, 1, std::uint32_t(PixelY), 4);
    // The GPS directory at 104: the latitude's reference, in the entry itself.
    Put(104, 1, 2);
    Entry(106, 0x0001, 2, 2, 0, 4);
    Sample.Payload[Start + 114] = 'N';
    const std::string Make = "Pixora Test Camera";
    const std::string Date = "2026:12:10 01:23:45";
    std::memcpy(Sample.Payload.data() + Start + 122, Make.c_str(), Make.size() + 1);
    std::memcpy(Sample.Payload.data() + Start + 141, Date.c_str(), Date.size() + 1);
    Sample.OrientationAt = Start + 30;
    Sample.PixelXAt = Start + 84;
    Sample.PixelYAt = Start + 96;
    return Sample;
}

std::vector<std::uint8_t> WithApp1(const std::vector<std::uint8_t>& Jpeg, const std::vector<std::uint8_t>& Payload)
{
    const std::size_t Length = Payload.size() + 2;
    const std::uint8_t Head[6] = {Jpeg[0], Jpeg[1], 0xFF, 0xE1, std::uint8_t(Length >> 8), std::uint8_t(Length)};
    std::vector<std::uint8_t> File(Head, Head + 6);
    File.insert(File.end(), Payload.begin(), Payload.end());
    File.insert(File.end(), Jpeg.begin() + 2, Jpeg.end());
    return File;
}

std::vector<std::uint8_t> App1ExifOf(const std::vector<std::uint8_t>& Jpeg)
{
    // Marker segments follow the start of image until the start of scan, each with its length.
    for (std::size_t At = 2; At + 4 <= Jpeg.size() && Jpeg[At] == 0xFF && Jpeg[At + 1] != 0xDA;) {
        const std::size_t Length = std::size_t(Jpeg[At + 2]) << 8 | Jpeg[At + 3];
        if (Jpeg[At + 1] == 0xE1 && Length >= 8 && At + 2 + Length <= Jpeg.size() &&
            std::memcmp(Jpeg.data() + At + 4, "Exif\0\0", 6) == 0)
            return std::vector<std::uint8_t>(Jpeg.begin() + std::ptrdiff_t(At + 4),
                                             Jpeg.begin() + std::ptrdiff_t(At + 2 + Length));
        At += 2 + Length;
    }
    return {};
}
