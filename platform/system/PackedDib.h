#pragma once
// A packed DIB (the clipboard's bitmap form) is a BMP file without its 14-byte file header.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Where the rows of a packed DIB start, counted from its first byte, as its info header, bit fields and
// colour table place them; beyond the DIB's end when it is too short for its header.
std::uint64_t PackedDibRowsOffset(std::span<const std::uint8_t> Dib);
// The BMP file of a packed DIB: the file header, with the offset of the rows worked out from the info
// header, bit fields and colour table, followed by the DIB's bytes. A DIB too short for its header is
// kept whole behind a header pointing past it, which the BMP reader then refuses as damaged.
std::vector<std::uint8_t> BmpFileOfPackedDib(std::span<const std::uint8_t> Dib);
// The packed DIB inside a BMP file; nothing when the bytes do not start with a BMP file header.
std::optional<std::vector<std::uint8_t>> PackedDibOfBmpFile(std::span<const std::uint8_t> File);
