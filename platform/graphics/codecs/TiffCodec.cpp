#include "platform/graphics/codecs/TiffCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PixelRows.h"
#include "platform/graphics/codecs/DecodeLimits.h"
#include "platform/graphics/codecs/ExifOrientation.h"

#include <tiffio.h>

#include "platform/system/Workers.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// libtiff refuses any single allocation above this: a strip or tile buffer claimed by a hostile header.
constexpr tmsize_t MaxSingleAllocation = tmsize_t(MaxDecodedPixels) * 8;
// Strips of about this many bytes compress nearly as well as one strip and keep the buffers small.
constexpr std::size_t WrittenStripBytes = 256 * 1024;

// The file libtiff reads or writes, in memory: Input when reading, Output when writing.
struct TTiffStream
{
    std::span<const std::uint8_t> Input;
    std::vector<std::uint8_t>* Output = nullptr;
    toff_t At = 0;

    toff_t Size() const { return Output ? toff_t(Output->size()) : toff_t(Input.size()); }
};

TTiffStream& StreamOf(thandle_t Handle)
{
    return *static_cast<TTiffStream*>(Handle);
}

tmsize_t ReadProc(thandle_t Handle, void* Buffer, tmsize_t Size)
{
    TTiffStream& Stream = StreamOf(Handle);
    const toff_t End = Stream.Size();
    if (Stream.Output || Size < 0 || Stream.At >= End) return 0;
    const std::size_t Count = std::size_t(std::min<toff_t>(toff_t(Size), End - Stream.At));
    std::memcpy(Buffer, Stream.Input.data() + Stream.At, Count);
    Stream.At += Count;
    return tmsize_t(Count);
}

tmsize_t WriteProc(thandle_t Handle, void* Buffer, tmsize_t Size)
{
    TTiffStream& Stream = StreamOf(Handle);
    if (!Stream.Output || Size < 0) return -1;
    const std::size_t End = std::size_t(Stream.At) + std::size_t(Size);
    if (Stream.Output->size() < End) Stream.Output->resize(End);
    std::memcpy(Stream.Output->data() + Stream.At, Buffer, std::size_t(Size));
    Stream.At = End;
    return Size;
}

toff_t SeekProc(thandle_t Handle, toff_t Offset, int Whence)
{
    TTiffStream& Stream = StreamOf(Handle);
    const toff_t Base = Whence == SEEK_CUR ? Stream.At : Whence == SEEK_END ? Stream.Size() : 0;
    Stream.At = Base + Offset;
    return Stream.At;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t Handle)
{
    return StreamOf(Handle).Size();
}

// Reading works on the caller's bytes in place, as on a mapped file.
int MapProc(thandle_t Handle, void** Base, toff_t* Size)
{
    TTiffStream& Stream = StreamOf(Handle);
    if (Stream.Output) return 0;
    *Base = const_cast<std::uint8_t*>(Stream.Input.data());
    *Size = Stream.Input.size();
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t)
{}

// Messages go nowhere: a damaged file ends in the caller's own message.
int Silence(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TTiffCloser
{
    void operator()(TIFF* Tiff) const { TIFFClose(Tiff); }
};
using TTiffFile = std::unique_ptr<TIFF, TTiffCloser>;

TTiffFile OpenTiff(TTiffStream& Stream, const char* Mode)
{
    TIFFOpenOptions* Options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(Options, MaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(Options, Silence, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(Options, Silence, nullptr);
    TTiffFile File(TIFFClientOpenExt("memory", Mode, &Stream, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                     MapProc, UnmapProc, Options));
    TIFFOpenOptionsFree(Options);
    return File;
}

struct TRgbaImageEnder
{
    void operator()(TIFFRGBAImage* Image) const { TIFFRGBAImageEnd(Image); }
};

// One channel of a premultiplied pixel back to straight alpha.
std::uint8_t Unpremultiply(std::uint32_t Channel, std::uint32_t Alpha)
{
    return Alpha == 0 ? 0 : std::uint8_t(std::min<std::uint32_t>(255, (Channel * 255 + Alpha / 2) / Alpha));
}

// Stored := the raster of libtiff's RGBA reader (R in the low byte, then G, B and premultiplied A).
void CopyRaster(const std::vector<std::uint32_t>& Raster, bool Alpha, TBitmap& Stored)
{
    const std::size_t Width = std::size_t(Stored.Width());
    for (int Y = 0; Y < Stored.Height(); ++Y) {
        const std::uint32_t* Source = Raster.data() + std::size_t(Y) * Width;
        std::uint8_t* Row = Stored.ScanLine(Y);
        for (std::size_t X = 0; X < Width; ++X) {
            const std::uint32_t Pixel = Source[X];
            const std::uint32_t A = TIFFGetA(Pixel);
            if (Alpha) {
                Row[X * 4] = Unpremultiply(TIFFGetB(Pixel), A);
                Row[X * 4 + 1] = Unpremultiply(TIFFGetG(Pixel), A);
                Row[X * 4 + 2] = Unpremultiply(TIFFGetR(Pixel), A);
                Row[X * 4 + 3] = std::uint8_t(A);
            } else {
                Row[X * 3] = std::uint8_t(TIFFGetB(Pixel));
                Row[X * 3 + 1] = std::uint8_t(TIFFGetG(Pixel));
                Row[X * 3 + 2] = std::uint8_t(TIFFGetR(Pixel));
            }
        }
    }
}

// Stored := the page as libtiff's RGBA reader converts any layout, rows as stored (top row first).
bool ReadThroughRgba(TIFF* File, std::uint16_t Orientation, TBitmap& Stored)
{
    char Message[1024];
    TIFFRGBAImage Image;
    if (!TIFFRGBAImageOK(File, Message) || !TIFFRGBAImageBegin(&Image, File, 0, Message)) return false;
    const std::unique_ptr<TIFFRGBAImage, TRgbaImageEnder> Ender(&Image);
    // Asking for the file's own orientation leaves the rows as stored; the caller turns them.
    Image.req_orientation = Orientation;
    std::vector<std::uint32_t> Raster(std::size_t(Image.width) * Image.height);
    if (!TIFFRGBAImageGet(&Image, Raster.data(), Image.width, Image.height)) return false;
    const bool Alpha = Image.alpha != 0;
    Stored.SetLayoutForOverwrite(int(Image.width), int(Image.height), Alpha ? 32 : 24);
    CopyRaster(Raster, Alpha, Stored);
    return true;
}

// A layout read strip by strip straight into the bitmap: 8-bit samples in one plane, RGB (with or
// without a fourth sample) or grey, in strips.
struct TPlainLayout
{
    int Samples = 3;
    bool Grey = false;
    bool Alpha = false;
    bool Premultiplied = false;
    std::uint32_t RowsPerStrip = 0;
};

std::optional<TPlainLayout> PlainLayoutOf(TIFF* File)
{
    std::uint16_t Bits = 0, Samples = 0, Planar = 0, Photometric = 0, Format = SAMPLEFORMAT_UINT;
    std::uint32_t RowsPerStrip = 0;
    TIFFGetFieldDefaulted(File, TIFFTAG_BITSPERSAMPLE, &Bits);
    TIFFGetFieldDefaulted(File, TIFFTAG_SAMPLESPERPIXEL, &Samples);
    TIFFGetFieldDefaulted(File, TIFFTAG_PLANARCONFIG, &Planar);
    TIFFGetFieldDefaulted(File, TIFFTAG_SAMPLEFORMAT, &Format);
    TIFFGetFieldDefaulted(File, TIFFTAG_ROWSPERSTRIP, &RowsPerStrip);
    if (TIFFIsTiled(File) || !TIFFGetField(File, TIFFTAG_PHOTOMETRIC, &Photometric) || Bits != 8 ||
        Format != SAMPLEFORMAT_UINT || Planar != PLANARCONFIG_CONTIG || RowsPerStrip == 0)
        return std::nullopt;
    TPlainLayout Layout;
    Layout.Samples = Samples;
    Layout.RowsPerStrip = RowsPerStrip;
    if (Photometric == PHOTOMETRIC_MINISBLACK && Samples == 1) {
        Layout.Grey = true;
        return Layout;
    }
    if (Photometric != PHOTOMETRIC_RGB || (Samples != 3 && Samples != 4)) return std::nullopt;
    if (Samples == 4) {
        std::uint16_t ExtraCount = 0;
        std::uint16_t* Extra = nullptr;
        if (TIFFGetField(File, TIFFTAG_EXTRASAMPLES, &ExtraCount, &Extra) && ExtraCount == 1) {
            Layout.Alpha = Extra[0] == EXTRASAMPLE_ASSOCALPHA || Extra[0] == EXTRASAMPLE_UNASSALPHA;
            Layout.Premultiplied = Extra[0] == EXTRASAMPLE_ASSOCALPHA;
        }
    }
    return Layout;
}

// Row := the Width pixels of one stored row, as a bitmap row of 24 or (with alpha) 32 bits.
void CopyPlainRow(const std::uint8_t* Source, const TPlainLayout& Layout, int Width, std::uint8_t* Row)
{
    if (!Layout.Grey && !Layout.Alpha && Layout.Samples == 3) {
        SwapRedBlueRow(Source, Width, Row);
        return;
    }
    for (int X = 0; X < Width; ++X, Source += Layout.Samples) {
        if (Layout.Grey) {
            Row[0] = Row[1] = Row[2] = Source[0];
            Row += 3;
        } else if (!Layout.Alpha) {
            Row[0] = Source[2];
            Row[1] = Source[1];
            Row[2] = Source[0];
            Row += 3;
        } else {
            const std::uint8_t A = Source[3];
            Row[0] = Layout.Premultiplied ? Unpremultiply(Source[2], A) : Source[2];
            Row[1] = Layout.Premultiplied ? Unpremultiply(Source[1], A) : Source[1];
            Row[2] = Layout.Premultiplied ? Unpremultiply(Source[0], A) : Source[0];
            Row[3] = A;
            Row += 4;
        }
    }
}

// Stored := the page's rows as stored; the strips are decoded on every core, each worker through a
// handle of its own on the same bytes.
bool ReadPlainStrips(std::span<const std::uint8_t> Bytes, TIFF* Opened, const TPlainLayout& Layout, TBitmap& Stored)
{
    std::uint32_t Width = 0, Height = 0;
    TIFFGetField(Opened, TIFFTAG_IMAGEWIDTH, &Width);
    TIFFGetField(Opened, TIFFTAG_IMAGELENGTH, &Height);
    const std::uint32_t Strips = TIFFNumberOfStrips(Opened);
    const std::size_t StripBytes = std::size_t(TIFFStripSize(Opened));
    const std::size_t RowBytes = std::size_t(Width) * std::size_t(Layout.Samples);
    if (Strips == 0 || StripBytes == 0 || StripBytes / RowBytes < std::min(Layout.RowsPerStrip, Height)) return false;
    Stored.SetLayoutForOverwrite(int(Width), int(Height), Layout.Alpha ? 32 : 24);
    std::atomic<bool> Damaged = false;
    const unsigned Workers = std::min<unsigned>(CoreCount(), Strips);
    RunOnWorkers(Workers, [&](unsigned Worker) {
        TTiffStream Stream{Bytes};
        const TTiffFile File = OpenTiff(Stream, "r");
        std::vector<std::uint8_t> Strip(StripBytes);
        for (std::uint32_t Index = Worker; File && Index < Strips && !Damaged; Index += Workers) {
            const std::uint32_t FirstRow = Index * Layout.RowsPerStrip;
            if (FirstRow >= Height) break;
            const std::uint32_t Rows = std::min(Layout.RowsPerStrip, Height - FirstRow);
            if (TIFFReadEncodedStrip(File.get(), Index, Strip.data(), tmsize_t(RowBytes * Rows)) <
                tmsize_t(RowBytes * Rows)) {
                Damaged = true;
                break;
            }
            for (std::uint32_t Y = 0; Y < Rows; ++Y)
                CopyPlainRow(Strip.data() + Y * RowBytes, Layout, int(Width), Stored.ScanLine(int(FirstRow + Y)));
        }
        if (!File) Damaged = true;
    });
    return !Damaged;
}
} // namespace

bool IsTiff(std::span<const std::uint8_t> Bytes)
{
    if (Bytes.size() < 8) return false;
    const bool Little = Bytes[0] == 'I' && Bytes[1] == 'I' && (Bytes[2] == 42 || Bytes[2] == 43) && Bytes[3] == 0;
    const bool Big = Bytes[0] == 'M' && Bytes[1] == 'M' && Bytes[2] == 0 && (Bytes[3] == 42 || Bytes[3] == 43);
    return Little || Big;
}

bool ReadTiff(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    if (!IsTiff(Bytes)) return false;
    TTiffStream Stream{Bytes};
    const TTiffFile File = OpenTiff(Stream, "r");
    if (!File) return false;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    if (!TIFFGetField(File.get(), TIFFTAG_IMAGEWIDTH, &Width) ||
        !TIFFGetField(File.get(), TIFFTAG_IMAGELENGTH, &Height) || !DecodableSize(Width, Height))
        return false;
    std::uint16_t Orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(File.get(), TIFFTAG_ORIENTATION, &Orientation);
    TBitmap Stored;
    const std::optional<TPlainLayout> Plain = PlainLayoutOf(File.get());
    if (Plain ? !ReadPlainStrips(Bytes, File.get(), *Plain, Stored) : !ReadThroughRgba(File.get(), Orientation, Stored))
        return false;
    ShowUpright(std::move(Stored), Orientation, Target);
    return true;
}

bool WriteTiff(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    if (Source.Empty()) return true;
    std::vector<std::uint8_t> Written;
    TTiffStream Stream{{}, &Written};
    TTiffFile File = OpenTiff(Stream, "w");
    if (!File) return false;
    TIFF* Tiff = File.get();
    const std::size_t RowBytes = std::size_t(Source.Width()) * 3;
    const int RowsPerStrip =
        int(std::clamp<std::size_t>(WrittenStripBytes / RowBytes, 1, std::size_t(Source.Height())));
    TIFFSetField(Tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(Source.Width()));
    TIFFSetField(Tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(Source.Height()));
    TIFFSetField(Tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(Tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(Tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(Tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(Tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(Tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(Tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(Tiff, TIFFTAG_ROWSPERSTRIP, std::uint32_t(RowsPerStrip));
    // A bitmap row is blue, green, red; a TIFF row red, green, blue.
    std::vector<std::uint8_t> Strip(RowBytes * std::size_t(RowsPerStrip));
    for (int First = 0, Index = 0; First < Source.Height(); First += RowsPerStrip, ++Index) {
        const int Rows = std::min(RowsPerStrip, Source.Height() - First);
        for (int Y = 0; Y < Rows; ++Y)
            SwapRedBlueRow(Source.ScanLine(First + Y), Source.Width(), Strip.data() + std::size_t(Y) * RowBytes);
        if (TIFFWriteEncodedStrip(Tiff, std::uint32_t(Index), Strip.data(), tmsize_t(RowBytes * std::size_t(Rows))) < 0)
            return false;
    }
    if (!TIFFWriteDirectory(Tiff)) return false;
    File.reset();
    Bytes.insert(Bytes.end(), Written.begin(), Written.end());
    return true;
}
