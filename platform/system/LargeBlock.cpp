#include "platform/system/LargeBlock.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include <linux/mman.h>
#include <sys/mman.h>

namespace {

constexpr std::size_t HugePage = std::size_t(2) << 20;
constexpr std::size_t SmallPage = 4096;

std::size_t RoundUp(std::size_t Value, std::size_t Unit)
{
    return (Value + Unit - 1) / Unit * Unit;
}

// The heap maps a large block with a header of its own before the caller's bytes: asking for this much
// less than whole huge pages makes the mapping whole huge pages, which the kernel places on a boundary.
constexpr std::size_t HeapHeader = 64;

constexpr std::size_t KeptBlocks = 2;
constexpr std::size_t KeptBytes = std::size_t(256) << 20;

// Mappings of freed blocks kept for the next blocks, newest first. It is trivially destructible, so
// blocks that the destructors of other statics free at exit still find it.
class TFreedBlocks
{
public:
    // The smallest kept mapping of at least Length bytes, cut to Length; null if none is that large.
    std::uint8_t* Take(std::size_t Length)
    {
        TEntry Found;
        {
            std::lock_guard Guard(FLock);
            auto Best = FEntries.end();
            for (auto Entry = FEntries.begin(); Entry != FEntries.end(); ++Entry)
                if (Entry->Data != nullptr && Entry->Length >= Length &&
                    (Best == FEntries.end() || Entry->Length < Best->Length))
                    Best = Entry;
            if (Best == FEntries.end()) return nullptr;
            Found = *Best;
            std::move(Best + 1, FEntries.end(), Best);
            FEntries.back() = TEntry{};
        }
        if (Found.Length > Length) munmap(Found.Data + Length, Found.Length - Length);
        return Found.Data;
    }

    // Keeps the mapping of Length bytes at Data and, newest first, the others that fit the limits; unmaps
    // the rest.
    void Keep(std::uint8_t* Data, std::size_t Length) noexcept
    {
        std::array<TEntry, KeptBlocks + 1> Dropped{};
        {
            std::lock_guard Guard(FLock);
            Dropped.back() = FEntries.back();
            std::move_backward(FEntries.begin(), FEntries.end() - 1, FEntries.end());
            FEntries.front() = TEntry{Data, Length};
            std::size_t Total = 0;
            for (std::size_t Index = 0; Index < KeptBlocks; ++Index) {
                if (Total + FEntries[Index].Length > KeptBytes)
                    std::swap(Dropped[Index], FEntries[Index]);
                else
                    Total += FEntries[Index].Length;
            }
        }
        for (const TEntry& Entry : Dropped)
            if (Entry.Data != nullptr) munmap(Entry.Data, Entry.Length);
    }

    // Unmaps every kept mapping; false when there was none.
    bool ReleaseAll() noexcept
    {
        std::array<TEntry, KeptBlocks> Released{};
        {
            std::lock_guard Guard(FLock);
            std::swap(Released, FEntries);
        }
        bool Any = false;
        for (const TEntry& Entry : Released)
            if (Entry.Data != nullptr) {
                munmap(Entry.Data, Entry.Length);
                Any = true;
            }
        return Any;
    }

private:
    struct TEntry
    {
        std::uint8_t* Data = nullptr;
        std::size_t Length = 0;
    };
    std::mutex FLock;
    std::array<TEntry, KeptBlocks> FEntries{};
};

constinit TFreedBlocks FreedBlocks;

} // namespace

TLargeBlock::TLargeBlock(std::size_t Size) : TLargeBlock(Size, true)
{}

TLargeBlock TLargeBlock::ForOverwrite(std::size_t Size)
{
    return TLargeBlock(Size, false);
}

TLargeBlock::TLargeBlock(std::size_t Size, bool Zeroed) : FSize(Size)
{
    if (Size == 0) return;
    if (Size < HugePage) {
        const auto Allocate = [&] {
            return static_cast<std::uint8_t*>(Zeroed ? std::calloc(Size, 1) : std::malloc(Size));
        };
        FData = Allocate();
        if (FData == nullptr && FreedBlocks.ReleaseAll()) FData = Allocate();
        if (FData == nullptr) throw std::bad_alloc();
        return;
    }
    const std::size_t Length = RoundUp(Size, HugePage);
    if (std::uint8_t* Kept = FreedBlocks.Take(Length)) {
        FData = Kept;
        FMapped = Length;
        if (Zeroed) std::memset(FData, 0, Size);
        return;
    }
    // One huge page more than needed, then the ends trimmed off so that the block starts on a boundary.
    const auto Map = [&] {
        return mmap(nullptr, Length + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    };
    void* Mapping = Map();
    if (Mapping == MAP_FAILED && FreedBlocks.ReleaseAll()) Mapping = Map();
    if (Mapping == MAP_FAILED) throw std::bad_alloc();
    auto* Start = static_cast<std::uint8_t*>(Mapping);
    const auto Offset = std::size_t(-reinterpret_cast<std::uintptr_t>(Start) & (HugePage - 1));
    if (Offset > 0) munmap(Start, Offset);
    if (Offset < HugePage) munmap(Start + Offset + Length, HugePage - Offset);
    FData = Start + Offset;
    FMapped = Length;
    madvise(FData, FMapped, MADV_HUGEPAGE);
}

TLargeBlock::TLargeBlock(TLargeBlock&& Source) noexcept
    : FData(std::exchange(Source.FData, nullptr)), FSize(std::exchange(Source.FSize, 0)),
      FMapped(std::exchange(Source.FMapped, 0))
{}

TLargeBlock& TLargeBlock::operator=(TLargeBlock&& Source) noexcept
{
    if (this != &Source) {
        Release();
        FData = std::exchange(Source.FData, nullptr);
        FSize = std::exchange(Source.FSize, 0);
        FMapped = std::exchange(Source.FMapped, 0);
    }
    return *this;
}

TLargeBlock::~TLargeBlock()
{
    Release();
}

void TLargeBlock::Release() noexcept
{
    if (FMapped > 0)
        FreedBlocks.Keep(FData, FMapped);
    else
        std::free(FData);
}

void TLargeBlock::Shrink(std::size_t Size)
{
    if (Size >= FSize) return;
    FSize = Size;
    if (FMapped > 0) {
        // Whole huge pages past the new end go back; the mapping always keeps its first page.
        const std::size_t Length = RoundUp(Size > 0 ? Size : 1, HugePage);
        if (Length < FMapped) munmap(FData + Length, FMapped - Length);
        FMapped = std::min(FMapped, Length);
    } else if (Size > 0) {
        // A heap block that cannot shrink stays larger than needed.
        if (auto* Smaller = static_cast<std::uint8_t*>(std::realloc(FData, Size))) FData = Smaller;
    }
}

void ReserveLargeAppend(std::vector<std::uint8_t>& Bytes, std::size_t Extra)
{
    const std::size_t Needed = Bytes.size() + Extra;
    if (Needed <= Bytes.capacity()) return;
    if (Needed < HugePage) {
        Bytes.reserve(Needed);
        return;
    }
    Bytes.reserve(RoundUp(Needed + HeapHeader, HugePage) - HeapHeader);
    // The advice covers the whole pages of the new memory; it changes no byte. The heap has already
    // written its header into the first page, which the kernel then no longer fills with a huge page on
    // a fault: that first huge page is collapsed at once instead.
    const auto Begin = reinterpret_cast<std::uintptr_t>(Bytes.data()) & ~(SmallPage - 1);
    const auto End = RoundUp(reinterpret_cast<std::uintptr_t>(Bytes.data() + Bytes.capacity()), SmallPage);
    madvise(reinterpret_cast<void*>(Begin), End - Begin, MADV_HUGEPAGE);
    if (Begin % HugePage == 0 && End - Begin >= HugePage)
        madvise(reinterpret_cast<void*>(Begin), HugePage, MADV_COLLAPSE);
}

void ReleaseKeptBlocks()
{
    FreedBlocks.ReleaseAll();
}
