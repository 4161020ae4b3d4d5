#include "platform/graphics/codecs/DeflateParts.h"

#include "platform/system/Workers.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

// Bits of a deflate stream, least significant bit of each byte first.
class TBitReader
{
public:
    explicit TBitReader(std::span<const std::uint8_t> Bytes) : FBytes(Bytes) {}

    std::size_t Position() const { return FBit; }
    bool Has(std::size_t Count) const { return FBit + Count <= FBytes.size() * 8; }
    // The next Count (at most 24) bits without taking them; zeros past the end.
    std::uint32_t Peek(unsigned Count) const
    {
        const std::size_t Byte = FBit / 8;
        std::uint32_t Word = 0;
        if (Byte + 4 <= FBytes.size()) {
            std::memcpy(&Word, FBytes.data() + Byte, 4);
        } else {
            for (std::size_t I = Byte; I < FBytes.size(); ++I) Word |= std::uint32_t(FBytes[I]) << (8 * (I - Byte));
        }
        return (Word >> (FBit % 8)) & ((1u << Count) - 1);
    }
    void Skip(std::size_t Count) { FBit += Count; }
    // Takes Count bits; the caller has checked Has(Count).
    std::uint32_t Take(unsigned Count)
    {
        const std::uint32_t Value = Peek(Count);
        FBit += Count;
        return Value;
    }
    void AlignToByte() { FBit = (FBit + 7) / 8 * 8; }

private:
    std::span<const std::uint8_t> FBytes;
    std::size_t FBit = 0;
};

// A canonical Huffman code as a table indexed by the next MaxBits bits: (symbol << 4) | code length, 0
// where no code starts with those bits.
struct THuffman
{
    unsigned MaxBits = 0;
    std::vector<std::uint16_t> Entries;
};

std::uint32_t ReverseBits(std::uint32_t Code, unsigned Length)
{
    std::uint32_t Reversed = 0;
    for (unsigned I = 0; I < Length; ++I, Code >>= 1) Reversed = (Reversed << 1) | (Code & 1);
    return Reversed;
}

// False for an over-subscribed code; an incomplete one leaves its unused bit patterns at 0.
bool BuildHuffman(std::span<const std::uint8_t> Lengths, unsigned MaxBits, THuffman& Code)
{
    std::array<int, 16> Count{};
    for (const std::uint8_t Length : Lengths) ++Count[Length];
    Count[0] = 0;
    int Left = 1;
    for (unsigned Length = 1; Length <= MaxBits; ++Length) {
        Left = Left * 2 - Count[Length];
        if (Left < 0) return false;
    }
    std::array<std::uint32_t, 16> Next{};
    for (unsigned Length = 1; Length <= MaxBits; ++Length)
        Next[Length] = (Next[Length - 1] + std::uint32_t(Count[Length - 1])) << 1;
    Code.MaxBits = MaxBits;
    Code.Entries.assign(std::size_t(1) << MaxBits, 0);
    for (std::size_t Symbol = 0; Symbol < Lengths.size(); ++Symbol) {
        const unsigned Length = Lengths[Symbol];
        if (Length == 0) continue;
        const auto Entry = std::uint16_t(Symbol << 4 | Length);
        for (std::size_t At = ReverseBits(Next[Length]++, Length); At < Code.Entries.size();
             At += std::size_t(1) << Length)
            Code.Entries[At] = Entry;
    }
    return true;
}

// The next symbol of Code, or -1 where the bits are no code or run past the end.
int Decode(TBitReader& Bits, const THuffman& Code)
{
    const std::uint16_t Entry = Code.Entries[Bits.Peek(Code.MaxBits)];
    const unsigned Length = Entry & 15;
    if (Entry == 0 || !Bits.Has(Length)) return -1;
    Bits.Skip(Length);
    return Entry >> 4;
}

constexpr std::array<std::uint8_t, 29> LengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint8_t, 30> DistanceExtraBits = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Reads the codes of one block up to and including its end-of-block code.
bool SkipCodes(TBitReader& Bits, const THuffman& Literals, const THuffman& Distances)
{
    for (;;) {
        const int Symbol = Decode(Bits, Literals);
        if (Symbol < 0 || Symbol > 285) return false;
        if (Symbol == 256) return true;
        if (Symbol < 256) continue;
        const unsigned LengthExtra = LengthExtraBits[std::size_t(Symbol - 257)];
        if (!Bits.Has(LengthExtra)) return false;
        Bits.Skip(LengthExtra);
        const int Distance = Decode(Bits, Distances);
        if (Distance < 0 || Distance > 29) return false;
        const unsigned DistanceExtra = DistanceExtraBits[std::size_t(Distance)];
        if (!Bits.Has(DistanceExtra)) return false;
        Bits.Skip(DistanceExtra);
    }
}

bool BuildFixedCodes(THuffman& Literals, THuffman& Distances)
{
    std::array<std::uint8_t, 288> LiteralLengths{};
    std::fill(LiteralLengths.begin(), LiteralLengths.begin() + 144, 8);
    std::fill(LiteralLengths.begin() + 144, LiteralLengths.begin() + 256, 9);
    std::fill(LiteralLengths.begin() + 256, LiteralLengths.begin() + 280, 7);
    std::fill(LiteralLengths.begin() + 280, LiteralLengths.end(), 8);
    std::array<std::uint8_t, 32> DistanceLengths{};
    DistanceLengths.fill(5);
    return BuildHuffman(LiteralLengths, 15, Literals) && BuildHuffman(DistanceLengths, 15, Distances);
}

bool ReadDynamicCodes(TBitReader& Bits, THuffman& Literals, THuffman& Distances)
{
    if (!Bits.Has(14)) return false;
    const unsigned LiteralCount = Bits.Take(5) + 257;
    const unsigned DistanceCount = Bits.Take(5) + 1;
    const unsigned LengthCodeCount = Bits.Take(4) + 4;
    static constexpr std::array<std::uint8_t, 19> Order = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
    std::array<std::uint8_t, 19> LengthCodeLengths{};
    if (LiteralCount > 286 || !Bits.Has(3 * LengthCodeCount)) return false;
    for (unsigned I = 0; I < LengthCodeCount; ++I) LengthCodeLengths[Order[I]] = std::uint8_t(Bits.Take(3));
    THuffman LengthCode;
    if (!BuildHuffman(LengthCodeLengths, 7, LengthCode)) return false;
    std::array<std::uint8_t, 286 + 32> Lengths{};
    for (unsigned At = 0; At < LiteralCount + DistanceCount;) {
        const int Symbol = Decode(Bits, LengthCode);
        if (Symbol < 0) return false;
        if (Symbol < 16) {
            Lengths[At++] = std::uint8_t(Symbol);
            continue;
        }
        // 16 repeats the previous length 3..6 times, 17 and 18 give 3..10 and 11..138 zeros.
        const unsigned ExtraBits = Symbol == 16 ? 2 : Symbol == 17 ? 3 : 7;
        if ((Symbol == 16 && At == 0) || !Bits.Has(ExtraBits)) return false;
        const unsigned Repeat = (Symbol == 18 ? 11 : 3) + Bits.Take(ExtraBits);
        const std::uint8_t Value = Symbol == 16 ? Lengths[At - 1] : 0;
        if (At + Repeat > LiteralCount + DistanceCount) return false;
        for (unsigned I = 0; I < Repeat; ++I) Lengths[At++] = Value;
    }
    const std::span<const std::uint8_t> All(Lengths.data(), LiteralCount + DistanceCount);
    return All[256] != 0 && BuildHuffman(All.first(LiteralCount), 15, Literals) &&
           BuildHuffman(All.subspan(LiteralCount), 15, Distances);
}

struct TDeflaterDeleter
{
    void operator()(libdeflate_compressor* Compressor) const { libdeflate_free_compressor(Compressor); }
};

// Part's raw deflate stream; unless Last, ending in a non-final block and an empty stored block on a
// byte boundary, so that the next part's stream may follow.
std::vector<std::uint8_t> CompressPart(std::span<const std::uint8_t> Part, int Level, bool Last)
{
    const std::unique_ptr<libdeflate_compressor, TDeflaterDeleter> Compressor(libdeflate_alloc_compressor(Level));
    if (!Compressor) throw std::bad_alloc();
    std::vector<std::uint8_t> Stream(libdeflate_deflate_compress_bound(Compressor.get(), Part.size()) + 5);
    Stream.resize(
        libdeflate_deflate_compress(Compressor.get(), Part.data(), Part.size(), Stream.data(), Stream.size()));
    if (Last) return Stream;
    const auto Final = FindFinalBlock(Stream);
    if (!Final) throw std::logic_error("the compressor wrote a stream without a final block");
    Stream[Final->HeaderBit / 8] &= std::uint8_t(~(1u << (Final->HeaderBit % 8)));
    // The stored block's three header bits are zeros after the end-of-block code; then, on a byte
    // boundary, its length 0 and the length's complement.
    Stream.resize((Final->EndBit + 3 + 7) / 8, 0);
    if (Final->EndBit % 8 != 0) Stream[Final->EndBit / 8] &= std::uint8_t((1u << (Final->EndBit % 8)) - 1);
    for (const std::uint8_t Byte : {0x00, 0x00, 0xFF, 0xFF}) Stream.push_back(Byte);
    return Stream;
}

} // namespace

std::optional<TFinalBlock> FindFinalBlock(std::span<const std::uint8_t> Stream)
{
    TBitReader Bits(Stream);
    THuffman Literals;
    THuffman Distances;
    THuffman FixedLiterals;
    THuffman FixedDistances;
    for (;;) {
        const std::size_t Header = Bits.Position();
        if (!Bits.Has(3)) return std::nullopt;
        const bool Final = Bits.Take(1) != 0;
        const std::uint32_t Type = Bits.Take(2);
        if (Type == 0) {
            Bits.AlignToByte();
            if (!Bits.Has(32)) return std::nullopt;
            const std::uint32_t Length = Bits.Take(16);
            if (Bits.Take(16) != (~Length & 0xFFFF) || !Bits.Has(std::size_t(Length) * 8)) return std::nullopt;
            Bits.Skip(std::size_t(Length) * 8);
        } else if (Type == 1) {
            if (FixedLiterals.Entries.empty()) BuildFixedCodes(FixedLiterals, FixedDistances);
            if (!SkipCodes(Bits, FixedLiterals, FixedDistances)) return std::nullopt;
        } else if (Type == 2) {
            if (!ReadDynamicCodes(Bits, Literals, Distances) || !SkipCodes(Bits, Literals, Distances))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        if (Final) return TFinalBlock{Header, Bits.Position()};
    }
}

void DeflateParts(std::span<const std::span<const std::uint8_t>> Parts, int Level, std::vector<std::uint8_t>& Out)
{
    std::vector<std::vector<std::uint8_t>> Streams(std::max<std::size_t>(Parts.size(), 1));
    if (Parts.empty())
        Streams[0] = CompressPart({}, Level, true);
    else
        RunOnWorkers(unsigned(Parts.size()), [&](unsigned Part) {
            Streams[Part] = CompressPart(Parts[Part], Level, Part + 1 == Parts.size());
        });
    std::uint32_t Adler = 1;
    for (const auto Part : Parts) Adler = libdeflate_adler32(Adler, Part.data(), Part.size());
    // CMF: deflate with a 32 KiB window; FLG: default level, no dictionary, the check bits making the
    // pair a multiple of 31.
    std::size_t Total = 6;
    for (const auto& Stream : Streams) Total += Stream.size();
    Out.reserve(Out.size() + Total);
    Out.push_back(0x78);
    Out.push_back(0x9C);
    for (const auto& Stream : Streams) Out.insert(Out.end(), Stream.begin(), Stream.end());
    for (const int Shift : {24, 16, 8, 0}) Out.push_back(std::uint8_t(Adler >> Shift));
}
