// Large blocks and whole-file reads: sizes on both sides of the huge-page threshold, fresh memory
// reading as zero, shrinking keeping the first bytes, reused memory cleared where asked, files read
// whole whatever their length.
#include "platform/system/LargeBlock.h"
#include "platform/graphics/Bitmap.h"
#include "platform/system/FileUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr std::size_t MiB = std::size_t(1) << 20;

TEST(LargeBlock, FreshBlocksReadAsZeroAndShrinkKeepingTheirStart)
{
    for (const std::size_t Size : {std::size_t(1), std::size_t(4097), 2 * MiB - 1, 2 * MiB, 5 * MiB + 3}) {
        TLargeBlock Block(Size);
        ASSERT_EQ(Block.size(), Size);
        EXPECT_TRUE(std::all_of(Block.get(), Block.get() + Size, [](std::uint8_t Byte) { return Byte == 0; }));
        for (std::size_t Index = 0; Index < Size; ++Index) Block.get()[Index] = std::uint8_t(Index * 7 + 1);
        const std::size_t Kept = Size / 3 + 1;
        Block.Shrink(Kept);
        ASSERT_EQ(Block.size(), Kept);
        for (std::size_t Index = 0; Index < Kept; Index += 4099)
            ASSERT_EQ(Block.get()[Index], std::uint8_t(Index * 7 + 1)) << Size << " at " << Index;
        EXPECT_EQ(Block.get()[Kept - 1], std::uint8_t((Kept - 1) * 7 + 1));
    }
    EXPECT_FALSE(TLargeBlock(0));
}

bool AllBytesAre(const std::uint8_t* Begin, std::size_t Size, std::uint8_t Value)
{
    return std::all_of(Begin, Begin + Size, [=](std::uint8_t Byte) { return Byte == Value; });
}

// Freed blocks are written all over first, so memory handed out again would show it.
TEST(LargeBlock, MemoryFreedAndTakenAgainReadsAsZeroAtEverySize)
{
    for (const std::size_t Size : {6 * MiB, 6 * MiB - 5, 3 * MiB, 9 * MiB + 1, 4 * MiB}) {
        {
            TLargeBlock Dirty = TLargeBlock::ForOverwrite(Size);
            ASSERT_EQ(Dirty.size(), Size);
            std::fill(Dirty.get(), Dirty.get() + Size, std::uint8_t(0xA5));
        }
        TLargeBlock Fresh(Size);
        ASSERT_EQ(Fresh.size(), Size);
        EXPECT_TRUE(AllBytesAre(Fresh.get(), Size, 0)) << Size;
        std::fill(Fresh.get(), Fresh.get() + Size, std::uint8_t(0x5A));
        TLargeBlock Shrunk = TLargeBlock::ForOverwrite(Size + 2 * MiB);
        std::fill(Shrunk.get(), Shrunk.get() + Size + 2 * MiB, std::uint8_t(0x3C));
        Shrunk.Shrink(Size / 2);
    }
    // A block larger than the ones kept is mapped afresh, and every byte of it can be written.
    TLargeBlock Larger = TLargeBlock::ForOverwrite(40 * MiB);
    std::fill(Larger.get(), Larger.get() + Larger.size(), std::uint8_t(1));
    EXPECT_TRUE(AllBytesAre(Larger.get(), Larger.size(), 1));
}

// A bitmap laid out over reused memory: a plain layout is black, one for overwriting still has zero
// padding at the end of each row.
TEST(LargeBlock, BitmapsOverReusedMemoryKeepTheirZeros)
{
    constexpr int Width = 1001; // 3003 bytes of pixels and one of padding a row at 24 bits
    constexpr int Height = 1500;
    for (int Round = 0; Round < 3; ++Round) {
        {
            TBitmap Dirty;
            Dirty.SetLayoutForOverwrite(Width, Height, 24);
            std::fill(Dirty.ScanLine(0), Dirty.ScanLine(0) + Dirty.RowBytes() * Height, std::uint8_t(0xEE));
        }
        TBitmap Overwritten;
        Overwritten.SetLayoutForOverwrite(Width, Height, 24);
        for (int Y = 0; Y < Height; ++Y) ASSERT_EQ(Overwritten.ScanLine(Y)[3 * Width], 0) << "row " << Y;
        std::fill(Overwritten.ScanLine(0), Overwritten.ScanLine(0) + Overwritten.RowBytes() * Height,
                  std::uint8_t(0xEE));
        Overwritten = TBitmap();
        TBitmap Plain;
        Plain.SetLayout(Width, Height, 24);
        EXPECT_TRUE(AllBytesAre(Plain.ScanLine(0), Plain.RowBytes() * Height, 0)) << "round " << Round;
    }
}

TEST(LargeBlock, LargeAppendKeepsTheVectorsBytes)
{
    std::vector<std::uint8_t> Bytes{1, 2, 3};
    ReserveLargeAppend(Bytes, 3 * MiB);
    EXPECT_GE(Bytes.capacity(), 3 * MiB + 3);
    EXPECT_EQ(Bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    Bytes.resize(3 * MiB + 3, 9);
    EXPECT_EQ(Bytes[3 * MiB + 2], 9);
}

TEST(LargeBlock, FilesAreReadWholeAtEveryLength)
{
    const auto Path = std::filesystem::temp_directory_path() / ("pixora-large-" + std::to_string(getpid()));
    for (const std::size_t Size : {std::size_t(0), std::size_t(5), 3 * MiB + 11}) {
        std::vector<std::uint8_t> Written(Size);
        for (std::size_t Index = 0; Index < Size; ++Index) Written[Index] = std::uint8_t(Index % 251);
        std::ofstream(Path, std::ios::binary)
            .write(reinterpret_cast<const char*>(Written.data()), std::streamsize(Size));
        const TLargeBlock Large = ReadLargeFile(Path.string());
        EXPECT_TRUE(std::equal(Written.begin(), Written.end(), Large.get(), Large.get() + Large.size())) << Size;
        EXPECT_EQ(ReadWholeFile(Path.string()), Written) << Size;
    }
    std::filesystem::remove(Path);
}

} // namespace
