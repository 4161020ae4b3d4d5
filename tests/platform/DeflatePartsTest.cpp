// Deflate in parts: every kind of block is walked to its end, and joined parts inflate to the whole.
#include "platform/graphics/codecs/DeflateParts.h"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <memory>
#include <random>

namespace {

std::vector<std::uint8_t> RawDeflate(const std::vector<std::uint8_t>& Data, int Level)
{
    const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> Compressor(
        libdeflate_alloc_compressor(Level), libdeflate_free_compressor);
    std::vector<std::uint8_t> Stream(libdeflate_deflate_compress_bound(Compressor.get(), Data.size()));
    Stream.resize(
        libdeflate_deflate_compress(Compressor.get(), Data.data(), Data.size(), Stream.data(), Stream.size()));
    return Stream;
}

// Noise (stored blocks), a short text (fixed codes) and a long repetitive text (dynamic codes).
std::vector<std::vector<std::uint8_t>> SampleData()
{
    std::mt19937 Random(11);
    std::vector<std::uint8_t> Noise(300000);
    for (auto& Byte : Noise) Byte = std::uint8_t(Random());
    const std::string Short = "a short text";
    std::vector<std::uint8_t> Text;
    for (int I = 0; Text.size() < 700000; ++I) {
        const std::string Line =
            "row " + std::to_string(I % 977) + " of a picture, value " + std::to_string(Random() % 50) + "\n";
        Text.insert(Text.end(), Line.begin(), Line.end());
    }
    return {Noise, std::vector<std::uint8_t>(Short.begin(), Short.end()), Text, {}};
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& ZlibStream, std::size_t Size)
{
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> Decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    std::vector<std::uint8_t> Data(Size);
    std::size_t Actual = 0;
    const auto Result = libdeflate_zlib_decompress(Decompressor.get(), ZlibStream.data(), ZlibStream.size(),
                                                   Data.data(), Data.size(), &Actual);
    EXPECT_EQ(Result, LIBDEFLATE_SUCCESS);
    Data.resize(Actual);
    return Data;
}

} // namespace

TEST(DeflateParts, FindsTheEndOfTheFinalBlockOfEveryKind)
{
    for (const auto& Data : SampleData()) {
        for (const int Level : {1, 4, 12}) {
            const auto Stream = RawDeflate(Data, Level);
            const auto Final = FindFinalBlock(Stream);
            ASSERT_TRUE(Final.has_value()) << Data.size() << " bytes at level " << Level;
            // The end-of-block code ends in the last byte, which the compressor pads with zeros.
            EXPECT_EQ((Final->EndBit + 7) / 8, Stream.size());
            EXPECT_LT(Final->HeaderBit, Final->EndBit);
            EXPECT_EQ(Stream[Final->HeaderBit / 8] >> (Final->HeaderBit % 8) & 1, 1);
            // A stream cut anywhere before its end is refused, never read past.
            for (const std::size_t Cut : {std::size_t(0), Stream.size() / 2, Stream.size() - 1}) {
                if (Cut >= (Final->EndBit + 7) / 8) continue;
                EXPECT_FALSE(FindFinalBlock(std::span(Stream).first(Cut)).has_value()) << Cut;
            }
        }
    }
}

TEST(DeflateParts, JoinsPartsIntoOneStreamThatInflatesToTheWhole)
{
    const auto Samples = SampleData();
    std::vector<std::uint8_t> Whole;
    std::vector<std::span<const std::uint8_t>> Parts;
    for (const auto& Data : Samples) Whole.insert(Whole.end(), Data.begin(), Data.end());
    // One, two, three and five parts of unequal sizes, an empty one included.
    const std::size_t Size = Whole.size();
    const std::vector<std::vector<std::size_t>> Cuts = {
        {0, Size}, {0, Size / 3, Size}, {0, 5, Size - 5, Size}, {0, Size / 7, Size / 7, Size / 2, Size - 1, Size}};
    for (const auto& Bounds : Cuts) {
        const std::size_t Count = Bounds.size() - 1;
        Parts.clear();
        for (std::size_t Part = 0; Part < Count; ++Part)
            Parts.emplace_back(Whole.data() + Bounds[Part], Bounds[Part + 1] - Bounds[Part]);
        std::vector<std::uint8_t> Stream = {0xAB};
        DeflateParts(Parts, 4, Stream);
        ASSERT_EQ(Stream[0], 0xAB);
        Stream.erase(Stream.begin());
        EXPECT_EQ(Inflate(Stream, Whole.size() + 1), Whole) << Count << " parts";
    }
    std::vector<std::uint8_t> Empty;
    DeflateParts({}, 4, Empty);
    EXPECT_TRUE(Inflate(Empty, 1).empty());
}
