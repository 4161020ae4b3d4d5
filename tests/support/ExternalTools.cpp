#include "tests/support/ExternalTools.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

bool HaveTool(const std::string& Name)
{
    return std::system(("command -v " + Name + " >/dev/null 2>&1").c_str()) == 0;
}

bool RunTool(const std::string& Command)
{
    return std::system((Command + " >/dev/null 2>&1").c_str()) == 0;
}

TBitmap MakeTestPattern(int Width, int Height, bool Alpha)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, Alpha ? 32 : 24);
    const int Bytes = Alpha ? 4 : 3;
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X) {
            std::uint8_t* Pixel = Row + X * Bytes;
            const bool Band = (X / 16 + Y / 16) % 2 == 0;
            Pixel[0] = std::uint8_t(X * 255 / std::max(1, Width - 1));
            Pixel[1] = std::uint8_t(Y * 255 / std::max(1, Height - 1));
            Pixel[2] = std::uint8_t(Band ? 200 : 40);
            if (Alpha) Pixel[3] = std::uint8_t(X < Width / 4 ? 255 : (X + Y) * 255 / std::max(1, Width + Height - 2));
        }
    }
    return Bitmap;
}

void WritePam(const TBitmap& Bitmap, const std::filesystem::path& Path)
{
    const bool Alpha = Bitmap.BitCount() == 32;
    std::ofstream File(Path, std::ios::binary);
    File << "P7\nWIDTH " << Bitmap.Width() << "\nHEIGHT " << Bitmap.Height() << "\nDEPTH " << (Alpha ? 4 : 3)
         << "\nMAXVAL 255\nTUPLTYPE " << (Alpha ? "RGB_ALPHA" : "RGB") << "\nENDHDR\n";
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < Bitmap.Width(); ++X) {
            const std::uint8_t* Pixel = Row + X * (Alpha ? 4 : 3);
            File.put(char(Pixel[2])).put(char(Pixel[1])).put(char(Pixel[0]));
            if (Alpha) File.put(char(Pixel[3]));
        }
    }
}

TBitmap ReadPam(const std::filesystem::path& Path)
{
    std::ifstream File(Path, std::ios::binary);
    std::string Magic;
    File >> Magic;
    int Width = 0, Height = 0, Depth = 3, MaxVal = 0;
    if (Magic == "P6") {
        File >> Width >> Height >> MaxVal;
    } else if (Magic == "P7") {
        for (std::string Key; File >> Key && Key != "ENDHDR";) {
            if (Key == "WIDTH")
                File >> Width;
            else if (Key == "HEIGHT")
                File >> Height;
            else if (Key == "DEPTH")
                File >> Depth;
            else if (Key == "MAXVAL")
                File >> MaxVal;
            else
                File.ignore(1 << 20, '\n');
        }
    }
    File.get();
    if (Width <= 0 || Height <= 0 || MaxVal != 255 || Depth < 1 || Depth > 4)
        throw std::runtime_error("not an 8-bit PAM or PPM file: " + Path.string());
    const bool Alpha = Depth == 2 || Depth == 4;
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, Alpha ? 32 : 24);
    std::vector<char> Samples(std::size_t(Width) * std::size_t(Depth));
    for (int Y = 0; Y < Height; ++Y) {
        File.read(Samples.data(), std::streamsize(Samples.size()));
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X) {
            const auto* Sample = reinterpret_cast<const std::uint8_t*>(Samples.data()) + X * Depth;
            std::uint8_t* Pixel = Row + X * (Alpha ? 4 : 3);
            const bool Grey = Depth <= 2;
            Pixel[0] = Sample[Grey ? 0 : 2];
            Pixel[1] = Sample[Grey ? 0 : 1];
            Pixel[2] = Sample[0];
            if (Alpha) Pixel[3] = Sample[Depth - 1];
        }
    }
    if (!File) throw std::runtime_error("PAM file cut short: " + Path.string());
    return Bitmap;
}

namespace {

// Calls Each with the difference of every compared level; false when the sizes differ.
template <typename TEach> bool EachDifference(const TBitmap& A, const TBitmap& B, TEach Each)
{
    if (A.Width() != B.Width() || A.Height() != B.Height()) return false;
    const int BytesA = A.BitCount() / 8;
    const int BytesB = B.BitCount() / 8;
    const int Compared = BytesA == 4 && BytesB == 4 ? 4 : 3;
    for (int Y = 0; Y < A.Height(); ++Y) {
        const std::uint8_t* RowA = A.ScanLine(Y);
        const std::uint8_t* RowB = B.ScanLine(Y);
        for (int X = 0; X < A.Width(); ++X)
            for (int Channel = 0; Channel < Compared; ++Channel)
                Each(std::abs(int(RowA[X * BytesA + Channel]) - int(RowB[X * BytesB + Channel])));
    }
    return true;
}

} // namespace

int MaxDifference(const TBitmap& A, const TBitmap& B)
{
    int Largest = 0;
    if (!EachDifference(A, B, [&](int Difference) { Largest = std::max(Largest, Difference); })) return 256;
    return Largest;
}

double MeanDifference(const TBitmap& A, const TBitmap& B)
{
    double Sum = 0;
    double Count = 0;
    if (!EachDifference(A, B, [&](int Difference) {
            Sum += Difference;
            ++Count;
        }))
        return 256;
    return Count == 0 ? 0 : Sum / Count;
}

std::filesystem::path MakeTestFolder(const std::string& Name)
{
    const auto Folder = std::filesystem::temp_directory_path() / ("pixora-" + Name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    return Folder;
}

void TToolTest::SetUp()
{
    for (const std::string& Tool : FTools)
        if (!HaveTool(Tool)) GTEST_SKIP() << Tool << " is not installed (scripts/install-deps installs it)";
    FFolder = MakeTestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

void TToolTest::TearDown()
{
    if (!FFolder.empty()) std::filesystem::remove_all(FFolder);
}
