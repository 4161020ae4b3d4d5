#include "platform/graphics/codecs/HeifCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PixelRows.h"
#include "platform/graphics/codecs/DecodeLimits.h"
#include "platform/graphics/codecs/ExifBlock.h"
#include "platform/graphics/codecs/HeifGrid.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr const char* HeifBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs", "mif1", "msf1"};
constexpr const char* AvifBrands[] = {"avif", "avis"};

std::uint32_t BigEndian32(const std::uint8_t* P)
{
    return std::uint32_t(P[0]) << 24 | std::uint32_t(P[1]) << 16 | std::uint32_t(P[2]) << 8 | P[3];
}

// Whether the "ftyp" box at the start of Bytes names one of Brands, as its major brand or a compatible one.
template <std::size_t Count> bool NamesBrand(std::span<const std::uint8_t> Bytes, const char* const (&Brands)[Count])
{
    if (Bytes.size() < 16 || std::memcmp(Bytes.data() + 4, "ftyp", 4) != 0) return false;
    const std::size_t BoxSize = std::min<std::size_t>(BigEndian32(Bytes.data()), Bytes.size());
    for (std::size_t At = 8; At + 4 <= BoxSize; At += At == 8 ? 8 : 4)
        for (const char* Brand : Brands)
            if (std::memcmp(Bytes.data() + At, Brand, 4) == 0) return true;
    return false;
}

struct THeifDeleter
{
    void operator()(heif_context* Context) const { heif_context_free(Context); }
    void operator()(heif_image_handle* Handle) const { heif_image_handle_release(Handle); }
    void operator()(heif_image* Image) const { heif_image_release(Image); }
    void operator()(heif_decoding_options* Options) const { heif_decoding_options_free(Options); }
};
template <typename T> using THeif = std::unique_ptr<T, THeifDeleter>;

// The primary image of the HEIF file Bytes (which the context reads in place); null when libheif cannot
// read the file.
THeif<heif_image_handle> PrimaryImage(std::span<const std::uint8_t> Bytes, const THeif<heif_context>& Context)
{
    if (heif_context_read_from_memory_without_copy(Context.get(), Bytes.data(), Bytes.size(), nullptr).code !=
        heif_error_Ok)
        return nullptr;
    heif_image_handle* Handle = nullptr;
    if (heif_context_get_primary_image_handle(Context.get(), &Handle).code != heif_error_Ok) return nullptr;
    return THeif<heif_image_handle>(Handle);
}

} // namespace

bool IsHeif(std::span<const std::uint8_t> Bytes)
{
    return NamesBrand(Bytes, HeifBrands) || NamesBrand(Bytes, AvifBrands);
}

bool IsAvif(std::span<const std::uint8_t> Bytes)
{
    return NamesBrand(Bytes, AvifBrands);
}

bool ReadHeif(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    if (!IsHeif(Bytes)) return false;
    if (const auto Grid = PrimaryGridSize(Bytes); Grid && !DecodableSize(Grid->Width, Grid->Height)) return false;
    const THeif<heif_context> Context(heif_context_alloc());
    const THeif<heif_image_handle> Handle = PrimaryImage(Bytes, Context);
    if (!Handle) return false;
    // The size a file declares is checked before libheif allocates the planes.
    if (!DecodableSize(std::uint64_t(std::max(heif_image_handle_get_width(Handle.get()), 0)),
                       std::uint64_t(std::max(heif_image_handle_get_height(Handle.get()), 0))))
        return false;
    const bool Alpha = heif_image_handle_has_alpha_channel(Handle.get()) != 0;
    const THeif<heif_decoding_options> Options(heif_decoding_options_alloc());
    Options->convert_hdr_to_8bit = 1;
    heif_image* DecodedImage = nullptr;
    if (heif_decode_image(Handle.get(), &DecodedImage, heif_colorspace_RGB,
                          Alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, Options.get())
            .code != heif_error_Ok)
        return false;
    const THeif<heif_image> Image(DecodedImage);
    int Stride = 0;
    const std::uint8_t* Plane = heif_image_get_plane_readonly(Image.get(), heif_channel_interleaved, &Stride);
    const int Width = heif_image_get_width(Image.get(), heif_channel_interleaved);
    const int Height = heif_image_get_height(Image.get(), heif_channel_interleaved);
    if (Plane == nullptr || heif_image_get_bits_per_pixel_range(Image.get(), heif_channel_interleaved) != 8 ||
        !DecodableSize(std::uint64_t(std::max(Width, 0)), std::uint64_t(std::max(Height, 0))))
        return false;
    // libheif's rows are red, green, blue (and alpha); a bitmap's blue, green, red.
    const int PixelBytes = Alpha ? 4 : 3;
    TBitmap Decoded;
    Decoded.SetLayoutForOverwrite(Width, Height, Alpha ? 32 : 24);
    for (int Y = 0; Y < Height; ++Y) {
        const std::uint8_t* Source = Plane + std::size_t(Y) * std::size_t(Stride);
        std::uint8_t* Row = Decoded.ScanLine(Y);
        if (!Alpha) {
            SwapRedBlueRow(Source, Width, Row);
            continue;
        }
        for (int X = 0; X < Width * PixelBytes; X += PixelBytes) {
            Row[X] = Source[X + 2];
            Row[X + 1] = Source[X + 1];
            Row[X + 2] = Source[X];
            Row[X + 3] = Source[X + 3];
        }
    }
    Target = std::move(Decoded);
    return true;
}

std::vector<std::uint8_t> HeifExifBlock(std::span<const std::uint8_t> Bytes)
{
    if (!IsHeif(Bytes)) return {};
    const THeif<heif_context> Context(heif_context_alloc());
    const THeif<heif_image_handle> Handle = PrimaryImage(Bytes, Context);
    heif_item_id Item = 0;
    if (!Handle || heif_image_handle_get_list_of_metadata_block_IDs(Handle.get(), "Exif", &Item, 1) != 1) return {};
    std::vector<std::uint8_t> Data(heif_image_handle_get_metadata_size(Handle.get(), Item));
    if (Data.size() < 4 || heif_image_handle_get_metadata(Handle.get(), Item, Data.data()).code != heif_error_Ok)
        return {};
    // The item starts with the offset of the TIFF structure from the end of that offset's four bytes.
    const std::uint32_t TiffAt = BigEndian32(Data.data());
    if (TiffAt >= Data.size() - 4) return {};
    return ExifBlockOf(std::span(Data).subspan(4 + TiffAt));
}
