#include "tests/support/TestJpegs.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

std::vector<std::uint8_t> MakeJpeg(const TBitmap& Bitmap, const TJpegRecipe& Recipe)
{
    jpeg_compress_struct Info{};
    jpeg_error_mgr Error{};
    Info.err = jpeg_std_error(&Error);
    // The recipes are valid; libjpeg's default error_exit ends the test program on a fault of this helper.
    jpeg_create_compress(&Info);
    unsigned char* Output = nullptr;
    unsigned long Size = 0;
    jpeg_mem_dest(&Info, &Output, &Size);
    Info.image_width = JDIMENSION(Bitmap.Width());
    Info.image_height = JDIMENSION(Bitmap.Height());
    Info.input_components = 3;
    Info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, 90, TRUE);
    if (Recipe.Grey) jpeg_set_colorspace(&Info, JCS_GRAYSCALE);
    if (Recipe.FullChroma && !Recipe.Grey) Info.comp_info[0].h_samp_factor = Info.comp_info[0].v_samp_factor = 1;
    if (Recipe.Progressive) jpeg_simple_progression(&Info);
    jpeg_start_compress(&Info, TRUE);
    if (Recipe.Orientation != 1) {
        // "Exif\0\0" and a big-endian TIFF structure whose one directory entry is the orientation.
        const unsigned char Exif[] = {
            'E', 'x', 'i', 'f',  0,    0, 'M', 'M', 0, 42, 0, 0, 0,
            8,   0,   1,   0x01, 0x12, 0, 3,   0,   0, 0,  1, 0, static_cast<unsigned char>(Recipe.Orientation),
            0,   0,   0,   0,    0,    0};
        jpeg_write_marker(&Info, JPEG_APP0 + 1, Exif, sizeof Exif);
    }
    while (Info.next_scanline < Info.image_height) {
        JSAMPROW Row = const_cast<JSAMPROW>(Bitmap.ScanLine(int(Info.next_scanline)));
        jpeg_write_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_compress(&Info);
    jpeg_destroy_compress(&Info);
    std::vector<std::uint8_t> Bytes(Output, Output + Size);
    std::free(Output);
    return Bytes;
}

std::vector<std::uint8_t> ClaimingSize(std::vector<std::uint8_t> Bytes, int Width, int Height, std::size_t FileBytes)
{
    // Segments after the SOI up to the frame header (SOF0 or SOF2).
    std::size_t At = 2;
    while (At + 9 <= Bytes.size() && Bytes[At + 1] != 0xC0 && Bytes[At + 1] != 0xC2)
        At += 2 + std::size_t(Bytes[At + 2] << 8 | Bytes[At + 3]);
    if (At + 9 > Bytes.size()) throw std::invalid_argument("no frame header");
    Bytes[At + 5] = std::uint8_t(Height >> 8);
    Bytes[At + 6] = std::uint8_t(Height);
    Bytes[At + 7] = std::uint8_t(Width >> 8);
    Bytes[At + 8] = std::uint8_t(Width);
    std::vector<std::uint8_t> Comments;
    while (Bytes.size() + Comments.size() + 4 < FileBytes) {
        const std::size_t Length = std::min<std::size_t>(FileBytes - Bytes.size() - Comments.size() - 2, 65535);
        Comments.insert(Comments.end(), {0xFF, 0xFE, std::uint8_t(Length >> 8), std::uint8_t(Length)});
        Comments.resize(Comments.size() + Length - 2, 0);
    }
    Bytes.insert(Bytes.begin() + 2, Comments.begin(), Comments.end());
    return Bytes;
}

TBitmap DecodeJpegPlainly(const std::vector<std::uint8_t>& Bytes)
{
    jpeg_decompress_struct Info{};
    jpeg_error_mgr Error{};
    Info.err = jpeg_std_error(&Error);
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, Bytes.data(), static_cast<unsigned long>(Bytes.size()));
    jpeg_read_header(&Info, TRUE);
    Info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&Info);
    TBitmap Bitmap;
    Bitmap.SetLayout(int(Info.output_width), int(Info.output_height), 24);
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW Row = Bitmap.ScanLine(int(Info.output_scanline));
        jpeg_read_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_decompress(&Info);
    jpeg_destroy_decompress(&Info);
    return Bitmap;
}
