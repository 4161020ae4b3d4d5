#include "tests/support/ExifFiles.h"

#include "platform/graphics/JPEGImage.h"
#include "platform/system/FileUtils.h"
#include "tests/support/ExifSample.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestPictures.h"

#include <libheif/heif.h>

namespace {

heif_error WriteBytes(heif_context*, const void* Data, size_t Size, void* UserData)
{
    auto& Bytes = *static_cast<std::vector<std::uint8_t>*>(UserData);
    Bytes.insert(Bytes.end(), static_cast<const std::uint8_t*>(Data), static_cast<const std::uint8_t*>(Data) + Size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

} // namespace

std::vector<std::uint8_t> EncodeHeic(const TBitmap& Stored, int Orientation, const std::vector<std::uint8_t>& Exif)
{
    heif_context* Context = heif_context_alloc();
    heif_encoder* Encoder = nullptr;
    heif_context_get_encoder_for_format(Context, heif_compression_HEVC, &Encoder);
    heif_encoder_set_lossy_quality(Encoder, 90);
    heif_image* Image = nullptr;
    heif_image_create(Stored.Width(), Stored.Height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &Image);
    heif_image_add_plane(Image, heif_channel_interleaved, Stored.Width(), Stored.Height(), 8);
    int Stride = 0;
    std::uint8_t* Plane = heif_image_get_plane(Image, heif_channel_interleaved, &Stride);
    for (int Y = 0; Y < Stored.Height(); ++Y)
        for (int X = 0; X < Stored.Width(); ++X)
            for (int Channel = 0; Channel < 3; ++Channel)
                Plane[Y * Stride + X * 3 + Channel] = Stored.ScanLine(Y)[X * 3 + 2 - Channel];
    heif_encoding_options* Options = heif_encoding_options_alloc();
    Options->image_orientation = heif_orientation(Orientation);
    heif_image_handle* Handle = nullptr;
    heif_context_encode_image(Context, Image, Encoder, Options, &Handle);
    if (!Exif.empty()) heif_context_add_exif_metadata(Context, Handle, Exif.data(), int(Exif.size()));
    heif_image_handle_release(Handle);
    std::vector<std::uint8_t> Bytes;
    heif_writer Writer{1, WriteBytes};
    heif_context_write(Context, &Writer, &Bytes);
    heif_encoding_options_free(Options);
    heif_image_release(Image);
    heif_encoder_release(Encoder);
    heif_context_free(Context);
    return Bytes;
}

std::vector<std::uint8_t> MakeWebPWithExif(const TBitmap& Pattern, const std::vector<std::uint8_t>& Chunk,
                                           const std::filesystem::path& Folder)
{
    const std::string Pam = (Folder / "pattern.pam").string(), Plain = (Folder / "plain.webp").string();
    const std::string Exif = (Folder / "exif.bin").string(), Carrying = (Folder / "carrying.webp").string();
    WritePam(Pattern, Pam);
    if (!RunTool("cwebp -quiet -lossless -exact " + Pam + " -o " + Plain)) return {};
    if (Chunk.empty()) return ReadFileBytes(Plain);
    WriteWholeFile(Exif, Chunk);
    if (!RunTool("webpmux -set exif " + Exif + " " + Plain + " -o " + Carrying)) return {};
    return ReadFileBytes(Carrying);
}

std::vector<std::uint8_t> MakeHeifWithExif(const TBitmap& Pattern, const std::vector<std::uint8_t>& Payload, bool Avif,
                                           const std::filesystem::path& Folder)
{
    TJPEGImage Jpeg;
    Jpeg.Assign(Pattern);
    std::vector<std::uint8_t> Encoded;
    Jpeg.SaveToStream(Encoded);
    const std::string Source = (Folder / "source.jpg").string(), Heif = (Folder / "made.heif").string();
    WriteWholeFile(Source, Payload.empty() ? Encoded : WithApp1(Encoded, Payload));
    if (!RunTool(std::string("heif-enc -q 60 ") + (Avif ? "-A " : "") + Source + " -o " + Heif)) return {};
    return ReadFileBytes(Heif);
}
