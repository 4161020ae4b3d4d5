#include "platform/graphics/emf/DibJpeg.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// libjpeg reports errors through error_exit, which must not return: it jumps back to the setjmp of the
// step functions below, which hold only trivially destructible locals, so the jump skips no destructor.

namespace {

// What the decoder may allocate beyond the picture: a progressive file keeps every coefficient of its
// full-size frame, however far the output is scaled.
constexpr long WorkingMemory = 64L << 20;

struct TErrorManager
{
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
};

void ErrorExit(j_common_ptr Info)
{
    std::longjmp(reinterpret_cast<TErrorManager*>(Info->err)->Jump, 1);
}

void Silent(j_common_ptr)
{}

struct TDecoder
{
    jpeg_decompress_struct Info;
    TErrorManager Error;
    bool Created = false;
    ~TDecoder()
    {
        if (Created) jpeg_destroy_decompress(&Info);
    }
};

// Reads the header and chooses the scale; false on an error or a colour model not drawn here.
bool Start(TDecoder& Decoder, const unsigned char* Data, std::size_t Size, int NeededWidth, int NeededHeight)
{
    if (setjmp(Decoder.Error.Jump)) return false;
    jpeg_create_decompress(&Decoder.Info);
    Decoder.Created = true;
    Decoder.Info.mem->max_memory_to_use = WorkingMemory;
    jpeg_mem_src(&Decoder.Info, Data, static_cast<unsigned long>(Size));
    jpeg_read_header(&Decoder.Info, TRUE);
    if (Decoder.Info.num_components != 1 && Decoder.Info.num_components != 3) return false;
    Decoder.Info.out_color_space = Decoder.Info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    int Denominator = 8;
    while (Denominator > 1 && (NeededWidth <= 0 || NeededHeight <= 0 ||
                               (long(Decoder.Info.image_width) + Denominator - 1) / Denominator < NeededWidth ||
                               (long(Decoder.Info.image_height) + Denominator - 1) / Denominator < NeededHeight))
        Denominator /= 2;
    Decoder.Info.scale_num = 1;
    Decoder.Info.scale_denom = unsigned(Denominator);
    jpeg_calc_output_dimensions(&Decoder.Info);
    return true;
}

bool Decode(TDecoder& Decoder, QImage& Image)
{
    if (setjmp(Decoder.Error.Jump)) return false;
    jpeg_start_decompress(&Decoder.Info);
    while (Decoder.Info.output_scanline < Decoder.Info.output_height) {
        JSAMPROW Row = Image.scanLine(int(Decoder.Info.output_scanline));
        jpeg_read_scanlines(&Decoder.Info, &Row, 1);
    }
    jpeg_finish_decompress(&Decoder.Info);
    return true;
}

} // namespace

QImage DecodeDibJpeg(const unsigned char* Data, std::size_t Size, QSize Needed, long long MaxPixels)
{
    TDecoder Decoder;
    jpeg_std_error(&Decoder.Error.Public);
    Decoder.Error.Public.error_exit = ErrorExit;
    Decoder.Error.Public.output_message = Silent;
    Decoder.Info.err = &Decoder.Error.Public;
    if (!Start(Decoder, Data, Size, Needed.width(), Needed.height())) return {};
    const long long Width = Decoder.Info.output_width, Height = Decoder.Info.output_height;
    if (Width <= 0 || Height <= 0 || Width * Height > MaxPixels) return {};
    QImage Image(int(Width), int(Height),
                 Decoder.Info.out_color_space == JCS_GRAYSCALE ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (Image.isNull() || !Decode(Decoder, Image)) return {};
    return Image;
}
