#include "platform/system/LargeBlock.h"

#include <algorithm>
#include <cstdlib>
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

} // namespace

TLargeBlock::TLargeBlock(std::size_t Size) : FSize(Size)
{
    if (Size == 0) return;
    if (Size < HugePage) {
        FData = static_cast<std::uint8_t*>(std::calloc(Size, 1));
        if (FData == nullptr) throw std::bad_alloc();
        return;
    }
    // One huge page more than needed, then the ends trimmed off so that the block starts on a boundary.
    const std::size_t Length = RoundUp(Size, HugePage);
    void* Mapping = mmap(nullptr, Length + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
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
        munmap(FData, FMapped);
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
