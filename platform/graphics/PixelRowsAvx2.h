#pragma once
// The row kernels of PixelRows.h for processors with AVX2, chosen at run time. Each converts the
// leading pixels of the row that it can take in whole blocks, without reading or writing past the row's
// pixels, and returns how many it converted; the plain kernels finish the rest.

#include <cstdint>

namespace Avx2Rows {

// The processor runs AVX2 instructions.
bool Available();

int WriteBgrx(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
int ReadBgrx(const std::uint8_t* Source, int Width, std::uint8_t* Bgr);
int Write565(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
int Write555(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
int WriteHalftone(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
int SwapRedBlue(const std::uint8_t* Source, int Width, std::uint8_t* Target);

} // namespace Avx2Rows
