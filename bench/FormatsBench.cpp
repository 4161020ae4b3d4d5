// The formats from phones and the web on a 12-megapixel picture, each next to memcpy of the decoded
// picture's bytes: opening a HEIC file in the main window (LoadPicture) and its decoding beside a plain
// libheif decoding loop of the same file, whose x_memcpy ratio is the cost of the window's way of opening;
// WebP and TIFF read and written through their picture classes.

#include "app/Frame.h"
#include "bench/BenchSupport.h"
#include "bench/GuiApplication.h"
#include "platform/graphics/HeifImage.h"
#include "platform/graphics/TiffImage.h"
#include "platform/graphics/WebPImage.h"
#include "platform/system/FileUtils.h"

#include <filesystem>
#include <libheif/heif.h>

namespace {

constexpr std::size_t DecodedBytes = std::size_t(BenchWidth) * BenchHeight * 3;

heif_error AppendBytes(heif_context*, const void* Data, size_t Size, void* UserData)
{
    auto& Bytes = *static_cast<std::vector<std::uint8_t>*>(UserData);
    Bytes.insert(Bytes.end(), static_cast<const std::uint8_t*>(Data), static_cast<const std::uint8_t*>(Data) + Size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// The benchmark picture as a HEIC file at quality 90, as a phone writes it; encoding takes seconds, so the
// file is kept in the temporary folder for later runs.
const std::string& BenchHeicFile()
{
    static const std::string Path = [] {
        const std::string File = (std::filesystem::temp_directory_path() / "pixora_bench_12mp.heic").string();
        if (std::filesystem::exists(File)) return File;
        const TBitmap Picture = MakeBenchPicture();
        heif_context* Context = heif_context_alloc();
        heif_encoder* Encoder = nullptr;
        heif_context_get_encoder_for_format(Context, heif_compression_HEVC, &Encoder);
        heif_encoder_set_lossy_quality(Encoder, 90);
        heif_image* Image = nullptr;
        heif_image_create(BenchWidth, BenchHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &Image);
        heif_image_add_plane(Image, heif_channel_interleaved, BenchWidth, BenchHeight, 8);
        int Stride = 0;
        std::uint8_t* Plane = heif_image_get_plane(Image, heif_channel_interleaved, &Stride);
        for (int Y = 0; Y < BenchHeight; ++Y)
            for (int X = 0; X < BenchWidth; ++X)
                for (int Channel = 0; Channel < 3; ++Channel)
                    Plane[Y * Stride + X * 3 + Channel] = Picture.ScanLine(Y)[X * 3 + 2 - Channel];
        heif_context_encode_image(Context, Image, Encoder, nullptr, nullptr);
        std::vector<std::uint8_t> Bytes;
        heif_writer Writer{1, AppendBytes};
        heif_context_write(Context, &Writer, &Bytes);
        heif_image_release(Image);
        heif_encoder_release(Encoder);
        heif_context_free(Context);
        WriteWholeFile(File, Bytes);
        return File;
    }();
    return Path;
}

// What any program using libheif does: read the file, decode the primary image to interleaved RGB.
void BM_HeicFileLibheifAlone(benchmark::State& State)
{
    const std::string& File = BenchHeicFile();
    RunAgainstMemcpy(
        State, DecodedBytes, [] {},
        [&] {
            const std::vector<std::uint8_t> Bytes = ReadWholeFile(File);
            heif_context* Context = heif_context_alloc();
            heif_context_read_from_memory_without_copy(Context, Bytes.data(), Bytes.size(), nullptr);
            heif_image_handle* Handle = nullptr;
            heif_context_get_primary_image_handle(Context, &Handle);
            heif_image* Image = nullptr;
            heif_decode_image(Handle, &Image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
            int Stride = 0;
            benchmark::DoNotOptimize(heif_image_get_plane_readonly(Image, heif_channel_interleaved, &Stride));
            heif_image_release(Image);
            heif_image_handle_release(Handle);
            heif_context_free(Context);
        },
        ProcessSeconds);
}
BENCHMARK(BM_HeicFileLibheifAlone)->Unit(benchmark::kMillisecond);

void BM_HeicFileDecode(benchmark::State& State)
{
    const std::string& File = BenchHeicFile();
    RunAgainstMemcpy(
        State, DecodedBytes, [] {},
        [&] {
            THeifImage Image;
            Image.LoadFromStream(ReadWholeFile(File));
            benchmark::DoNotOptimize(Image.Bitmap().ScanLine(0));
        },
        ProcessSeconds);
}
BENCHMARK(BM_HeicFileDecode)->Unit(benchmark::kMillisecond);

void BM_HeicFileLoadPicture(benchmark::State& State)
{
    const std::string& File = BenchHeicFile();
    TForm1& Form = BenchWindow();
    RunAgainstMemcpy(
        State, DecodedBytes, [] {}, [&] { Form.LoadPicture(File); }, ProcessSeconds);
}
BENCHMARK(BM_HeicFileLoadPicture)->Unit(benchmark::kMillisecond);

// The file of Class made from the benchmark picture, and its reading back and writing again.
template <typename TClass> const std::vector<std::uint8_t>& BenchFileOf()
{
    static const std::vector<std::uint8_t> Bytes = [] {
        TClass Made;
        Made.AssignFromBitmap(MakeBenchPicture());
        std::vector<std::uint8_t> File;
        Made.SaveToStream(File);
        return File;
    }();
    return Bytes;
}

template <typename TClass> void BM_Read(benchmark::State& State)
{
    const std::vector<std::uint8_t>& File = BenchFileOf<TClass>();
    // The TIFF reader decodes on every core, so the whole process's time is counted.
    RunAgainstMemcpy(
        State, DecodedBytes, [] {},
        [&] {
            TClass Image;
            Image.LoadFromStream(File);
            benchmark::DoNotOptimize(Image.Bitmap().ScanLine(0));
        },
        ProcessSeconds);
}
BENCHMARK(BM_Read<TWebPImage>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read<TTiffImage>)->Unit(benchmark::kMillisecond);

template <typename TClass> void BM_Write(benchmark::State& State)
{
    const TBitmap Picture = MakeBenchPicture();
    RunAgainstMemcpy(State, DecodedBytes, [&] {
        TClass Made;
        Made.AssignFromBitmap(Picture);
        std::vector<std::uint8_t> File;
        Made.SaveToStream(File);
        benchmark::DoNotOptimize(File.data());
    });
}
BENCHMARK(BM_Write<TWebPImage>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write<TTiffImage>)->Unit(benchmark::kMillisecond);

} // namespace
