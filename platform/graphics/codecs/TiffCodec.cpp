#include "platform/graphics/codecs/TiffCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/DecodeLimits.h"
#include "platform/graphics/codecs/ExifOrientation.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// libtiff refuses any single allocation above this: a strip or tile buffer claimed by a hostile header.
constexpr tmsize_t MaxSingleAllocation = tmsize_t(MaxDecodedPixels) * 8;
// Strips of about this many bytes compress nearly as well as one strip and keep the buffers small.
constexpr std::size_t StripBytes = 256 * 1024;

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
    char Message[1024];
    TIFFRGBAImage Image;
    if (!TIFFRGBAImageOK(File.get(), Message) || !TIFFRGBAImageBegin(&Image, File.get(), 0, Message)) return false;
    const std::unique_ptr<TIFFRGBAImage, TRgbaImageEnder> Ender(&Image);
    // Asking for the file's own orientation leaves the rows as stored, top row first; the turn or
    // mirror is done below for every orientation alike.
    const int Orientation = Image.orientation >= 1 && Image.orientation <= 8 ? Image.orientation : 1;
    Image.req_orientation = std::uint16_t(Orientation);
    std::vector<std::uint32_t> Raster(std::size_t(Width) * Height);
    if (!TIFFRGBAImageGet(&Image, Raster.data(), Width, Height)) return false;
    const bool Alpha = Image.alpha != 0;
    TBitmap Stored;
    Stored.SetLayoutForOverwrite(int(Width), int(Height), Alpha ? 32 : 24);
    CopyRaster(Raster, Alpha, Stored);
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
    const int RowsPerStrip = int(std::clamp<std::size_t>(StripBytes / RowBytes, 1, std::size_t(Source.Height())));
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
        for (int Y = 0; Y < Rows; ++Y) {
            const std::uint8_t* Row = Source.ScanLine(First + Y);
            std::uint8_t* Out = Strip.data() + std::size_t(Y) * RowBytes;
            for (std::size_t X = 0; X < RowBytes; X += 3) {
                Out[X] = Row[X + 2];
                Out[X + 1] = Row[X + 1];
                Out[X + 2] = Row[X];
            }
        }
        if (TIFFWriteEncodedStrip(Tiff, std::uint32_t(Index), Strip.data(), tmsize_t(RowBytes * std::size_t(Rows))) < 0)
            return false;
    }
    if (!TIFFWriteDirectory(Tiff)) return false;
    File.reset();
    Bytes.insert(Bytes.end(), Written.begin(), Written.end());
    return true;
}
