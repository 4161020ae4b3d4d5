// Large blocks and whole-file reads: sizes on both sides of the huge-page threshold, fresh memory
// reading as zero, shrinking keeping the first bytes, files read whole whatever their length.
#include "platform/system/LargeBlock.h"
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
