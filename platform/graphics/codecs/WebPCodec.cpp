#include "platform/graphics/codecs/WebPCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/DecodeLimits.h"
#include "platform/graphics/codecs/ExifBlock.h"
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

std::vector<std::uint8_t> WebPExifBlock(std::span<const std::uint8_t> Bytes)
{
    const WebPData Data = DataOf(Bytes);
    const std::unique_ptr<WebPDemuxer, TDemuxDeleter> Demuxer(WebPDemux(&Data));
    if (!Demuxer || !(WebPDemuxGetI(Demuxer.get(), WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG)) return {};
    WebPChunkIterator Chunk;
    if (!WebPDemuxGetChunk(Demuxer.get(), "EXIF", 1, &Chunk)) return {};
    std::vector<std::uint8_t> Block;
    if (Chunk.chunk.size > 0) Block = ExifBlockOf(std::span(Chunk.chunk.bytes, Chunk.chunk.size));
    WebPDemuxReleaseChunkIterator(&Chunk);
    return Block;
}

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
        // libwebp writes the rows straight into the bitmap, whose rows lie RowBytes apart from the top, and
        // filters on a second thread.
        const bool Alpha = Features.has_alpha != 0;
        Stored.SetLayoutForOverwrite(Features.width, Features.height, Alpha ? 32 : 24);
        WebPDecoderConfig Config;
        if (!WebPInitDecoderConfig(&Config)) return false;
        Config.options.use_threads = 1;
        Config.output.colorspace = Alpha ? MODE_BGRA : MODE_BGR;
        Config.output.is_external_memory = 1;
        Config.output.u.RGBA.rgba = Stored.ScanLine(0);
        Config.output.u.RGBA.stride = int(Stored.RowBytes());
        Config.output.u.RGBA.size = Stored.RowBytes() * std::size_t(Stored.Height());
        const VP8StatusCode Status = WebPDecode(Bytes.data(), Bytes.size(), &Config);
        WebPFreeDecBuffer(&Config.output);
        if (Status != VP8_STATUS_OK) return false;
    }
    ShowUpright(std::move(Stored), ReadExifOrientation(WebPExifBlock(Bytes)), Target);
    return true;
}

bool WriteWebP(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    if (Source.Empty()) return true;
    // The settings of WebPEncodeBGR at quality 90, with the analysis and the coding on two threads.
    WebPConfig Config;
    WebPPicture Picture;
    if (!WebPConfigPreset(&Config, WEBP_PRESET_DEFAULT, float(Quality)) || !WebPPictureInit(&Picture)) return false;
    Config.thread_level = 1;
    Picture.width = Source.Width();
    Picture.height = Source.Height();
    WebPMemoryWriter Writer;
    WebPMemoryWriterInit(&Writer);
    Picture.writer = WebPMemoryWrite;
    Picture.custom_ptr = &Writer;
    const bool Done =
        WebPPictureImportBGR(&Picture, Source.ScanLine(0), int(Source.RowBytes())) && WebPEncode(&Config, &Picture);
    WebPPictureFree(&Picture);
    if (Done) Bytes.insert(Bytes.end(), Writer.mem, Writer.mem + Writer.size);
    WebPMemoryWriterClear(&Writer);
    return Done;
}
