#include "tests/support/TestPictures.h"

#include "platform/graphics/Canvas.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

TBitmap MakeFilledBitmap(int Width, int Height, TColor Color)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    Bitmap.Canvas().Brush.Color = Color;
    Bitmap.Canvas().FillRect(Rect(0, 0, Width, Height));
    return Bitmap;
}

TBitmap MakeRandomBitmap(int Width, int Height, int BitCount, std::uint32_t Seed)
{
    std::mt19937 Random(Seed);
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, BitCount);
    if (BitCount <= 8) {
        std::vector<TPaletteEntry> Entries(std::size_t(1) << BitCount);
        for (auto& Entry : Entries)
            Entry = TPaletteEntry{std::uint8_t(Random()), std::uint8_t(Random()), std::uint8_t(Random()), 0};
        Bitmap.SetPalette(TPalette(std::move(Entries)));
    }
    const std::size_t UsedBits = std::size_t(Width) * std::size_t(BitCount);
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (std::size_t Byte = 0; Byte < UsedBits / 8; ++Byte) Row[Byte] = std::uint8_t(Random());
        if (UsedBits % 8 != 0) Row[UsedBits / 8] = std::uint8_t(Random() & (0xFF00u >> (UsedBits % 8)));
    }
    return Bitmap;
}

bool SamePixels(const TBitmap& A, const TBitmap& B)
{
    if (A.Width() != B.Width() || A.Height() != B.Height() || A.BitCount() != B.BitCount()) return false;
    const std::size_t UsedBits = std::size_t(A.Width()) * std::size_t(A.BitCount());
    for (int Y = 0; Y < A.Height(); ++Y) {
        const std::uint8_t* RowA = A.ScanLine(Y);
        const std::uint8_t* RowB = B.ScanLine(Y);
        if (std::memcmp(RowA, RowB, UsedBits / 8) != 0) return false;
        if (UsedBits % 8 != 0) {
            const std::uint8_t Mask = std::uint8_t(0xFF00u >> (UsedBits % 8));
            if ((RowA[UsedBits / 8] & Mask) != (RowB[UsedBits / 8] & Mask)) return false;
        }
    }
    return true;
}

std::filesystem::path CorpusDir()
{
    const std::filesystem::path Dir(PIXORA_CORPUS_DIR);
    return std::filesystem::is_regular_file(Dir / "MANIFEST.tsv") ? Dir : std::filesystem::path();
}

std::vector<TCorpusEntry> CorpusEntries(const std::string& Kind)
{
    std::vector<TCorpusEntry> Entries;
    const auto Dir = CorpusDir();
    if (Dir.empty()) return Entries;
    std::ifstream Manifest(Dir / "MANIFEST.tsv");
    std::string Line;
    std::getline(Manifest, Line); // header
    while (std::getline(Manifest, Line)) {
        std::vector<std::string> Fields;
        std::stringstream Stream(Line);
        std::string Field;
        while (std::getline(Stream, Field, '\t')) Fields.push_back(Field);
        if (Fields.size() >= 4 && Fields[1] == Kind)
            Entries.push_back(TCorpusEntry{Fields[0], Fields[1], Fields[2], Fields[3]});
    }
    return Entries;
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& Path)
{
    std::ifstream Stream(Path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
}
