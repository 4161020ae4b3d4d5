#pragma once
// The coefficients of a JPEG picture decoded in several scans (progressive, or components in scans of
// their own) in a temporary file instead of memory.
//
// libjpeg keeps every coefficient of such a picture until its last scan: two bytes for each of 64
// coefficients of each 8 x 8 block, as much memory as the 24-bit bitmap for 4:2:0 sampling, twice as much
// for 4:4:4. Its memory manager can keep these arrays in a backing store, a window of rows at a time in
// memory, but this build of libjpeg has none; this class supplies one through the manager's virtual
// array methods. Each scan then reads and writes the arrays once, in order.

#include <cstdint>

struct jpeg_common_struct;
struct jpeg_decompress_struct;

class TJpegCoefficientFile
{
public:
    TJpegCoefficientFile() = default;
    TJpegCoefficientFile(const TJpegCoefficientFile&) = delete;
    TJpegCoefficientFile& operator=(const TJpegCoefficientFile&) = delete;
    ~TJpegCoefficientFile();

    // Takes over the coefficient arrays of Info, whose header has been read; before
    // jpeg_start_decompress. Info's client_data then points to this object, which must outlive the
    // decompression. Where no temporary file can be made, the arrays stay in memory.
    void Install(jpeg_decompress_struct& Info);

private:
    friend struct TJpegCoefficientFileAccess;
    struct TArray;

    TArray* FArrays = nullptr; // in libjpeg's image pool
    int FFile = -1;
    void (*FRealizeOthers)(jpeg_common_struct*) = nullptr; // the manager's own, for its other arrays
};

// The bytes libjpeg would keep in memory for the coefficients of the picture whose header Info holds:
// 0 for a picture decoded in one scan.
std::uint64_t WholeImageCoefficientBytes(const jpeg_decompress_struct& Info);
