#include "platform/graphics/codecs/JpegCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/ExifOrientation.h"
#include "platform/graphics/codecs/JpegCoefficientFile.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors through error_exit, which must not return. Throwing through its C frames is
// not allowed, so error_exit longjmps back to the setjmp of a small step function below. Those step
// functions hold only trivially destructible locals, so the jump skips no destructor; the caller turns
// their false result into EJPEG outside, where C++ unwinding is safe.

namespace {

// The largest picture decoded at all, and how many pixels each byte of data may claim: complete JPEG
// data spends at least about one bit on each 8 x 8 block of each component, so even a flat grey
// picture stays below 512 pixels a byte. A truncated file claiming a huge frame is refused before any
// pixel is allocated.
constexpr std::uint64_t MaxPixels = std::uint64_t(1) << 27;
constexpr std::uint64_t FreePixels = std::uint64_t(1) << 20;
constexpr std::uint64_t PixelsPerByte = 1024;
// Each scan of a progressive picture passes over every coefficient; hostile files carry thousands.
constexpr int MaxScans = 500;
// The coefficients of a picture of several scans stay in memory up to a fifth of the bitmap's bytes, or
// this much for small pictures, and go to a temporary file beyond.
constexpr std::uint64_t MinCoefficientMemory = std::uint64_t(16) << 20;

struct TErrorManager
{
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
};

void ErrorExit(j_common_ptr Info)
{
    std::longjmp(reinterpret_cast<TErrorManager*>(Info->err)->Jump, 1);
}

// Warnings and traces are not printed; a warning lets decoding go on.
void OutputMessage(j_common_ptr)
{}

void LimitScans(j_common_ptr Info)
{
    const auto* Decompress = reinterpret_cast<j_decompress_ptr>(Info);
    if (Decompress->input_scan_number > MaxScans) {
        Info->err->msg_code = JERR_BAD_PROGRESSION;
        Info->err->error_exit(Info);
    }
}

void InstallErrorManager(TErrorManager& Error)
{
    jpeg_std_error(&Error.Public);
    Error.Public.error_exit = ErrorExit;
    Error.Public.output_message = OutputMessage;
}

[[noreturn]] void RaiseJpegError(int Code)
{
    throw EJPEG(FormatMessage(Messages::SJPEGError, Code));
}

struct TDecoder
{
    TJpegCoefficientFile Coefficients; // outlives Info
    jpeg_decompress_struct Info{};
    TErrorManager Error{};
    jpeg_progress_mgr Progress{};
    bool Created = false;

    TDecoder() { Info.err = &Error.Public; }
    ~TDecoder()
    {
        if (Created) jpeg_destroy_decompress(&Info);
    }
    TDecoder(const TDecoder&) = delete;
    TDecoder& operator=(const TDecoder&) = delete;
};

struct TEncoder
{
    jpeg_compress_struct Info{};
    TErrorManager Error{};
    unsigned char* Output = nullptr;
    unsigned long OutputSize = 0;
    bool Created = false;

    TEncoder() { Info.err = &Error.Public; }
    ~TEncoder()
    {
        if (Created) jpeg_destroy_compress(&Info);
        std::free(Output);
    }
    TEncoder(const TEncoder&) = delete;
    TEncoder& operator=(const TEncoder&) = delete;
};

// Step: creates the decompressor and reads the header, keeping APP1 segments for the EXIF orientation.
bool ReadHeaderStep(TDecoder& Decoder, const std::uint8_t* Data, std::size_t Size)
{
    InstallErrorManager(Decoder.Error);
    if (setjmp(Decoder.Error.Jump)) return false;
    jpeg_create_decompress(&Decoder.Info);
    Decoder.Created = true;
    Decoder.Progress.progress_monitor = LimitScans;
    Decoder.Info.progress = &Decoder.Progress;
    jpeg_save_markers(&Decoder.Info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_mem_src(&Decoder.Info, Data, static_cast<unsigned long>(Size));
    jpeg_read_header(&Decoder.Info, TRUE);
    return true;
}

// Turns one row of libjpeg's output (grey or CMYK) into blue, green, red; never fails.
using TRowConverter = void (*)(const std::uint8_t* In, std::uint8_t* Out, unsigned Width);

void GreyRow(const std::uint8_t* In, std::uint8_t* Out, unsigned Width)
{
    for (unsigned X = 0; X < Width; ++X, Out += 3) Out[0] = Out[1] = Out[2] = In[X];
}

// (255 - ink) x (255 - black) / 255, rounded; the values are the stored ones, ink = 255 - value for
// pictures in Adobe's inverted convention.
std::uint8_t Remaining(unsigned Paper, unsigned Light)
{
    return std::uint8_t((Paper * Light + 127) / 255);
}

void CmykRow(const std::uint8_t* In, std::uint8_t* Out, unsigned Width)
{
    for (unsigned X = 0; X < Width; ++X, In += 4, Out += 3) {
        const unsigned Light = 255u - In[3];
        Out[0] = Remaining(255u - In[2], Light);
        Out[1] = Remaining(255u - In[1], Light);
        Out[2] = Remaining(255u - In[0], Light);
    }
}

void InvertedCmykRow(const std::uint8_t* In, std::uint8_t* Out, unsigned Width)
{
    for (unsigned X = 0; X < Width; ++X, In += 4, Out += 3) {
        Out[0] = Remaining(In[2], In[3]);
        Out[1] = Remaining(In[1], In[3]);
        Out[2] = Remaining(In[0], In[3]);
    }
}

// Puts the decoded rows of the stored picture where its orientation shows them, in the target bitmap
// itself, so that no second copy of the picture is made: a row that stays a row is decoded straight into
// its place and mirrored there; rows that become columns gather in a strip of a few rows, which is then
// written across the target's rows. Its methods never fail, as libjpeg may jump out between them.
class TOrientedRows
{
public:
    TOrientedRows(TBitmap& Target, int Orientation, unsigned Width, unsigned Height)
        : FWidth(Width), FHeight(Height), FMirror(MirrorsRows(Orientation)), FFlip(FlipsColumns(Orientation)),
          FSwap(SwapsSides(Orientation))
    {
        Target.SetLayout(int(FSwap ? Height : Width), int(FSwap ? Width : Height), 24);
        FTargetRows.resize(std::size_t(Target.Height()));
        for (int Y = 0; Y < Target.Height(); ++Y) FTargetRows[std::size_t(Y)] = Target.ScanLine(Y);
        if (FSwap) FStrip.resize(std::size_t(std::min(Height, StripRows)) * Width * 3);
    }

    // Where stored row Y is to be decoded, blue, green, red.
    std::uint8_t* Row(unsigned Y)
    {
        if (FSwap) return FStrip.data() + std::size_t(Y - FStripStart) * FWidth * 3;
        return FTargetRows[FFlip ? FHeight - 1 - Y : Y];
    }

    // Stored row Y holds its pixels.
    void Decoded(unsigned Y)
    {
        if (FSwap) {
            if (Y + 1 - FStripStart == StripRows) WriteStrip(StripRows);
        } else if (FMirror) {
            std::uint8_t* Row = FTargetRows[FFlip ? FHeight - 1 - Y : Y];
            for (unsigned Left = 0, Right = FWidth - 1; Left < Right; ++Left, --Right)
                std::swap_ranges(Row + Left * 3, Row + Left * 3 + 3, Row + Right * 3);
        }
    }

    // Decoding has ended after Rows stored rows.
    void Finish(unsigned Rows)
    {
        if (FSwap && Rows > FStripStart) WriteStrip(Rows - FStripStart);
    }

private:
    // Stored rows are at most this many pixels apart in the target's rows; the strip is read column by
    // column, each column written as one run of a target row.
    static constexpr unsigned StripRows = 64;

    void WriteStrip(unsigned Rows)
    {
        const std::size_t Stride = std::size_t(FWidth) * 3;
        for (unsigned SX = 0; SX < FWidth; ++SX) {
            std::uint8_t* Out = FTargetRows[FMirror ? FWidth - 1 - SX : SX];
            const std::uint8_t* In = FStrip.data() + std::size_t(SX) * 3;
            for (unsigned Index = 0; Index < Rows; ++Index, In += Stride) {
                const unsigned SY = FStripStart + Index;
                std::memcpy(Out + std::size_t(FFlip ? FHeight - 1 - SY : SY) * 3, In, 3);
            }
        }
        FStripStart += Rows;
    }

    unsigned FWidth, FHeight;
    bool FMirror, FFlip, FSwap;
    std::vector<std::uint8_t*> FTargetRows; // top-down
    std::vector<std::uint8_t> FStrip;       // stored rows FStripStart on, when they become columns
    unsigned FStripStart = 0;
};

// Step: decodes every row into Rows (blue, green, red). With a converter, each row passes through
// Scratch first.
bool ReadPixelsStep(TDecoder& Decoder, TOrientedRows& Rows, std::uint8_t* Scratch, TRowConverter Convert)
{
    if (setjmp(Decoder.Error.Jump)) return false;
    jpeg_start_decompress(&Decoder.Info);
    while (Decoder.Info.output_scanline < Decoder.Info.output_height) {
        const unsigned Y = Decoder.Info.output_scanline;
        std::uint8_t* Target = Rows.Row(Y);
        JSAMPROW Row = Convert ? Scratch : Target;
        if (jpeg_read_scanlines(&Decoder.Info, &Row, 1) != 1) break;
        if (Convert) Convert(Scratch, Target, Decoder.Info.output_width);
        Rows.Decoded(Y);
    }
    Rows.Finish(Decoder.Info.output_scanline);
    jpeg_finish_decompress(&Decoder.Info);
    return true;
}

// Step: compresses Height rows of Width pixels laid out as InputSpace.
bool CompressStep(TEncoder& Encoder, const std::uint8_t* const* Rows, unsigned Width, unsigned Height,
                  J_COLOR_SPACE InputSpace, int Components, int Quality)
{
    InstallErrorManager(Encoder.Error);
    if (setjmp(Encoder.Error.Jump)) return false;
    jpeg_create_compress(&Encoder.Info);
    Encoder.Created = true;
    jpeg_mem_dest(&Encoder.Info, &Encoder.Output, &Encoder.OutputSize);
    Encoder.Info.image_width = Width;
    Encoder.Info.image_height = Height;
    Encoder.Info.input_components = Components;
    Encoder.Info.in_color_space = InputSpace;
    jpeg_set_defaults(&Encoder.Info);
    jpeg_set_quality(&Encoder.Info, Quality, TRUE);
    jpeg_start_compress(&Encoder.Info, TRUE);
    while (Encoder.Info.next_scanline < Encoder.Info.image_height) {
        JSAMPROW Row = const_cast<JSAMPROW>(Rows[Encoder.Info.next_scanline]);
        jpeg_write_scanlines(&Encoder.Info, &Row, 1);
    }
    jpeg_finish_compress(&Encoder.Info);
    return true;
}

int OrientationOf(const jpeg_decompress_struct& Info)
{
    for (jpeg_saved_marker_ptr Marker = Info.marker_list; Marker != nullptr; Marker = Marker->next)
        if (Marker->marker == JPEG_APP0 + 1) {
            const int Orientation = ReadExifOrientation(std::span(Marker->data, Marker->data_length));
            if (Orientation != 1) return Orientation;
        }
    return 1;
}

// Reads the header into Decoder and refuses pictures that the data cannot justify.
void OpenDecoder(TDecoder& Decoder, std::span<const std::uint8_t> Bytes)
{
    if (!ReadHeaderStep(Decoder, Bytes.data(), Bytes.size())) RaiseJpegError(Decoder.Error.Public.msg_code);
    const std::uint64_t Pixels = std::uint64_t(Decoder.Info.image_width) * Decoder.Info.image_height;
    if (Pixels > MaxPixels || Pixels > FreePixels + PixelsPerByte * Bytes.size()) RaiseJpegError(JERR_IMAGE_TOO_BIG);
}

} // namespace

TJpegHeader ReadJpegHeader(std::span<const std::uint8_t> Bytes)
{
    TDecoder Decoder;
    OpenDecoder(Decoder, Bytes);
    TJpegHeader Header;
    Header.Orientation = OrientationOf(Decoder.Info);
    const bool Swap = SwapsSides(Header.Orientation);
    Header.Width = int(Swap ? Decoder.Info.image_height : Decoder.Info.image_width);
    Header.Height = int(Swap ? Decoder.Info.image_width : Decoder.Info.image_height);
    return Header;
}

void DecodeJpeg(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    TDecoder Decoder;
    OpenDecoder(Decoder, Bytes);
    const int Orientation = OrientationOf(Decoder.Info);
    jpeg_decompress_struct& Info = Decoder.Info;

    TRowConverter Convert = nullptr;
    int Components = 3;
    switch (Info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        Info.out_color_space = JCS_GRAYSCALE;
        Convert = GreyRow;
        Components = 1;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        Info.out_color_space = JCS_CMYK;
        Convert = Info.saw_Adobe_marker ? InvertedCmykRow : CmykRow;
        Components = 4;
        break;
    default:
        Info.out_color_space = JCS_EXT_BGR;
        break;
    }

    TOrientedRows Rows(Target, Orientation, Info.image_width, Info.image_height);
    const std::uint64_t BitmapBytes = std::uint64_t(Target.RowBytes()) * std::uint64_t(Target.Height());
    if (WholeImageCoefficientBytes(Info) > std::max(BitmapBytes / 5, MinCoefficientMemory))
        Decoder.Coefficients.Install(Info);
    std::vector<std::uint8_t> Scratch(Convert ? std::size_t(Info.image_width) * std::size_t(Components) : 0);
    if (!ReadPixelsStep(Decoder, Rows, Scratch.data(), Convert)) RaiseJpegError(Decoder.Error.Public.msg_code);
}

void EncodeJpeg(const TBitmap& Source, int Quality, std::vector<std::uint8_t>& Bytes)
{
    // 24-bit and plain 32-bit rows go to libjpeg as they are; any other layout through a 24-bit copy.
    TBitmap Converted;
    const TBitmap* Pixels = &Source;
    J_COLOR_SPACE Space = JCS_EXT_BGR;
    int Components = 3;
    if (Source.BitCount() == 32 && !Source.HasBitFields()) {
        Space = JCS_EXT_BGRX;
        Components = 4;
    } else if (Source.BitCount() != 24) {
        Converted = Source;
        Converted.SetPixelFormat(pf24bit);
        Pixels = &Converted;
    }
    std::vector<const std::uint8_t*> Rows(std::size_t(Pixels->Height()));
    for (int Y = 0; Y < Pixels->Height(); ++Y) Rows[std::size_t(Y)] = Pixels->ScanLine(Y);

    TEncoder Encoder;
    if (!CompressStep(Encoder, Rows.data(), unsigned(Pixels->Width()), unsigned(Pixels->Height()), Space, Components,
                      Quality))
        RaiseJpegError(Encoder.Error.Public.msg_code);
    Bytes.insert(Bytes.end(), Encoder.Output, Encoder.Output + Encoder.OutputSize);
}
