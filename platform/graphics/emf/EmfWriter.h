#pragma once
// Building an EMF record stream: records are appended one by one, and Finish puts the header (bounds,
// frame, reference device, handle count) in front and the end-of-file record behind.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

struct TEmfReference
{
    int PixelsX = 0, PixelsY = 0;
    int MicronsX = 0, MicronsY = 0;
};

class TEmfWriter
{
public:
    // A record of 32-bit fields after its type and size.
    void Add(std::uint32_t Type, std::initializer_list<std::int32_t> Fields);
    // A record of 32-bit fields followed by a variable part, padded to 4 bytes.
    void Add(std::uint32_t Type, std::initializer_list<std::int32_t> Fields, std::span<const std::uint8_t> Tail);
    // A whole record as it is stored, its type and size included.
    void AddRecord(std::span<const std::uint8_t> Record);

    // Handles used by the records run from 1 to Handles − 1.
    void UseHandle(std::uint32_t Handle);
    // Grows the bounds (reference-device pixels, inclusive) by a rectangle.
    void IncludeBounds(int Left, int Top, int Right, int Bottom);
    bool HasBounds() const { return FHasBounds; }

    // The stream; Frame in 0.01 mm (inclusive, left, top, right, bottom).
    std::vector<std::uint8_t> Finish(const std::int32_t (&Frame)[4], const TEmfReference& Reference) const;

private:
    std::vector<std::uint8_t> FRecords;
    std::uint32_t FCount = 0;
    std::uint32_t FHandles = 1;
    bool FHasBounds = false;
    std::int32_t FBounds[4] = {0, 0, -1, -1};
};
