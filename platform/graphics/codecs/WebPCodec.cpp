#include "platform/graphics/codecs/WebPCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/DecodeLimits.h"
#include "platform/graphics/codecs/ExifOrientation.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <cstring>
#include <memory>

namespace {

constexpr int Quality = 90;

struct TDemuxDeleter
{
    void operator()(WebPDemuxer* Demuxer) const { WebPDemuxDelete(Demuxer); }
};

struct TAnimationDeleter
{
    void operator()(WebPAnimDecoder* Decoder) const { WebPAnimDecoderDelete(Decoder); }
};

WebPData DataOf(std::span<const std::uint8_t> Bytes)
{
    return WebPData{Bytes.data(), Bytes.size()};
}

// The orientation in the EXIF chunk of an extended file; 1 without one.
int OrientationOf(std::span<const std::uint8_t> Bytes)
{
    const WebPData Data = DataOf(Bytes);
    const std::unique_ptr<WebPDemuxer, TDemuxDeleter> Demuxer(WebPDemux(&Data));
    if (!Demuxer || !(WebPDemuxGetI(Demuxer.get(), WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG)) return 1;
    WebPChunkIterator Chunk;
    if (!WebPDemuxGetChunk(Demuxer.get(), "EXIF", 1, &Chunk)) return 1;
    const std::span<const std::uint8_t> Payload(Chunk.chunk.bytes, Chunk.chunk.size);
    // Some writers keep the "Exif\0\0" header of a JPEG segment before the TIFF structure.
    const int Orientation = Payload.size() >= 4 && std::memcmp(Payload.data(), "Exif", 4) == 0
                                ? ReadExifOrientation(Payload)
                                : ReadTiffOrientation(Payload);
    WebPDemuxReleaseChunkIterator(&Chunk);
    return Orientation;
}

bool AnyTransparent(const TBitmap& Pixels)
{
    for (int Y = 0; Y < Pixels.Height(); ++Y) {
        const std::uint8_t* Row = Pixels.ScanLine(Y);
        for (int X = 0; X < Pixels.Width(); ++X)
            if (Row[std::size_t(X) * 4 + 3] != 255) return true;
    }
    return false;
}

// The first frame of an animation, composed on its canvas (transparent where the frame leaves it).
bool ReadFirstFrame(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    WebPAnimDecoderOptions Options;
    if (!WebPAnimDecoderOptionsInit(&Options)) return false;
    Options.color_mode = MODE_BGRA;
    Options.use_threads = 0;
    const WebPData Data = DataOf(Bytes);
    const std::unique_ptr<WebPAnimDecoder, TAnimationDeleter> Decoder(WebPAnimDecoderNew(&Data, &Options));
    WebPAnimInfo Info;
    if (!Decoder || !WebPAnimDecoderGetInfo(Decoder.get(), &Info) ||
        !DecodableSize(Info.canvas_width, Info.canvas_height))
        return false;
    std::uint8_t* Canvas = nullptr;
    int Timestamp = 0;
    if (!WebPAnimDecoderGetNext(Decoder.get(), &Canvas, &Timestamp)) return false;
    const std::size_t RowBytes = std::size_t(Info.canvas_width) * 4;
    Target.SetLayoutForOverwrite(int(Info.canvas_width), int(Info.canvas_height), 32);
    for (int Y = 0; Y < Target.Height(); ++Y)
        std::memcpy(Target.ScanLine(Y), Canvas + std::size_t(Y) * RowBytes, RowBytes);
    return true;
}

} // namespace

bool IsWebP(std::span<const std::uint8_t> Bytes)
{
    return Bytes.size() >= 12 && std::memcmp(Bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(Bytes.data() + 8, "WEBP", 4) == 0;
}

bool ReadWebP(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    WebPBitstreamFeatures Features;
    if (!IsWebP(Bytes) || WebPGetFeatures(Bytes.data(), Bytes.size(), &Features) != VP8_STATUS_OK ||
        !DecodableSize(std::uint64_t(Features.width), std::uint64_t(Features.height)))
        return false;
    TBitmap Stored;
    if (Features.has_animation) {
        if (!ReadFirstFrame(Bytes, Stored)) return false;
        if (!AnyTransparent(Stored)) Stored.SetPixelFormat(pf24bit);
    } else {
        // libwebp writes the rows straight into the bitmap, whose rows lie RowBytes apart from the top.
        const bool Alpha = Features.has_alpha != 0;
        Stored.SetLayoutForOverwrite(Features.width, Features.height, Alpha ? 32 : 24);
        const std::size_t Size = Stored.RowBytes() * std::size_t(Stored.Height());
        const int Stride = int(Stored.RowBytes());
        std::uint8_t* Pixels = Stored.ScanLine(0);
        if ((Alpha ? WebPDecodeBGRAInto(Bytes.data(), Bytes.size(), Pixels, Size, Stride)
                   : WebPDecodeBGRInto(Bytes.data(), Bytes.size(), Pixels, Size, Stride)) == nullptr)
            return false;
    }
    ShowUpright(std::move(Stored), OrientationOf(Bytes), Target);
    return true;
}

bool WriteWebP(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    if (Source.Empty()) return true;
    std::uint8_t* Output = nullptr;
    const std::size_t Size =
        WebPEncodeBGR(Source.ScanLine(0), Source.Width(), Source.Height(), int(Source.RowBytes()), Quality, &Output);
    if (Size == 0) return false;
    Bytes.insert(Bytes.end(), Output, Output + Size);
    WebPFree(Output);
    return true;
}
