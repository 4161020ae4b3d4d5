#pragma once
// Memory for whole pictures and files. A first touch of a fresh page faults, and at 4 KiB a page a
// 12-megapixel bitmap costs thousands of faults, more than copying it; so blocks of 2 MiB and more are
// mapped on 2 MiB boundaries, in whole 2 MiB pages, and advised to use huge pages where the kernel offers
// them on request. Smaller blocks come from the heap. The last two large blocks freed (up to a total of
// 256 MiB) stay mapped and serve the next large blocks, whose pages are then already present: pictures
// are often freed and allocated again at the same size, as each edit replaces one. An allocation that
// fails gives them back and is tried once more before it raises std::bad_alloc.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class TLargeBlock
{
public:
    TLargeBlock() = default;
    // Size bytes reading as zero; raises std::bad_alloc.
    explicit TLargeBlock(std::size_t Size);
    // Size bytes of unspecified contents, for callers that write every byte before reading any: a
    // reused block is not cleared.
    static TLargeBlock ForOverwrite(std::size_t Size);
    TLargeBlock(TLargeBlock&& Source) noexcept;
    TLargeBlock& operator=(TLargeBlock&& Source) noexcept;
    TLargeBlock(const TLargeBlock&) = delete;
    TLargeBlock& operator=(const TLargeBlock&) = delete;
    ~TLargeBlock();

    std::uint8_t* get() const { return FData; }
    std::size_t size() const { return FSize; }
    explicit operator bool() const { return FData != nullptr; }
    std::span<const std::uint8_t> Bytes() const { return {FData, FSize}; }

    // Keeps the first Size (at most size()) bytes and gives what memory it can of the rest back.
    void Shrink(std::size_t Size);

private:
    TLargeBlock(std::size_t Size, bool Zeroed);
    void Release() noexcept;

    std::uint8_t* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FMapped = 0; // length of the mapping, 0 for a heap block
};

// Gives back the memory of the freed blocks kept for reuse.
void ReleaseKeptBlocks();

// Reserves room for Extra more bytes in Bytes before a large append, in whole huge pages advised as such
// where the vector's new memory is mapped by the heap (an empty vector's large reservation is), so the
// append faults once per 2 MiB. Only the speed depends on the heap's layout, never the result.
void ReserveLargeAppend(std::vector<std::uint8_t>& Bytes, std::size_t Extra);
