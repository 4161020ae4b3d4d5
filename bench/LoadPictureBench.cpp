// Opening a 12-megapixel JPEG file in the main window (LoadPicture: reading, decoding, the base picture,
// the zoom and the caption) beside a plain libjpeg decoding of the same file, each next to memcpy of the
// decoded picture's bytes; the ratio of their x_memcpy figures is the cost of the window's way of opening.

#include "app/Frame.h"
#include "bench/BenchSupport.h"
#include "bench/GuiApplication.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/codecs/JpegCodec.h"
#include "platform/system/FileUtils.h"

#include <QPixmap>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <jpeglib.h>

namespace {

// The benchmark picture as a JPEG file in the temporary folder, written once.
const std::string& BenchJpegFile()
{
    static const std::string Path = [] {
        TJPEGImage Jpeg;
        Jpeg.Assign(MakeBenchPicture());
        std::vector<std::uint8_t> Bytes;
        Jpeg.SaveToStream(Bytes);
        const std::string File = (std::filesystem::temp_directory_path() / "pixora_bench_12mp.jpg").string();
        WriteWholeFile(File, Bytes);
        return File;
    }();
    return Path;
}

constexpr std::size_t DecodedBytes = std::size_t(BenchWidth) * BenchHeight * 3;

void BM_JpegFileLibjpegAlone(benchmark::State& State)
{
    const std::string& File = BenchJpegFile();
    std::vector<std::uint8_t> Pixels;
    RunAgainstMemcpy(State, DecodedBytes, [&] {
        std::FILE* Input = std::fopen(File.c_str(), "rb");
        jpeg_decompress_struct Info{};
        jpeg_error_mgr Error{};
        Info.err = jpeg_std_error(&Error);
        jpeg_create_decompress(&Info);
        jpeg_stdio_src(&Info, Input);
        jpeg_read_header(&Info, TRUE);
        jpeg_start_decompress(&Info);
        const std::size_t RowBytes = std::size_t(Info.output_width) * std::size_t(Info.output_components);
        Pixels.resize(RowBytes * Info.output_height);
        while (Info.output_scanline < Info.output_height) {
            JSAMPROW Row = Pixels.data() + RowBytes * Info.output_scanline;
            jpeg_read_scanlines(&Info, &Row, 1);
        }
        jpeg_finish_decompress(&Info);
        jpeg_destroy_decompress(&Info);
        std::fclose(Input);
        benchmark::DoNotOptimize(Pixels.data());
    });
}
BENCHMARK(BM_JpegFileLibjpegAlone)->Unit(benchmark::kMillisecond);

void BM_JpegFileDecodeJpeg(benchmark::State& State)
{
    const std::string& File = BenchJpegFile();
    TBitmap Pixels;
    RunAgainstMemcpy(State, DecodedBytes, [&] { DecodeJpeg(ReadWholeFile(File), Pixels); });
}
BENCHMARK(BM_JpegFileDecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_JpegFileLoadPicture(benchmark::State& State)
{
    const std::string& File = BenchJpegFile();
    TForm1& Form = BenchWindow();
    // The decoding runs on the window's worker thread, so the whole process's time is counted.
    RunAgainstMemcpy(
        State, DecodedBytes, [] {}, [&] { Form.LoadPicture(File); }, ProcessSeconds);
    State.counters["picture_bytes"] = double(Form.BaseBitmap().Width()) * Form.BaseBitmap().Height() * 3;
}
BENCHMARK(BM_JpegFileLoadPicture)->Unit(benchmark::kMillisecond);

// As above, and the picture control's first frame drawn from the opened picture.
void BM_JpegFileLoadPictureAndDraw(benchmark::State& State)
{
    const std::string& File = BenchJpegFile();
    TForm1& Form = BenchWindow();
    auto* View = Form.findChild<QWidget*>(QStringLiteral("KelvoImage1"));
    RunAgainstMemcpy(
        State, DecodedBytes, [] {},
        [&] {
            Form.LoadPicture(File);
            benchmark::DoNotOptimize(View->grab());
        },
        ProcessSeconds);
}
BENCHMARK(BM_JpegFileLoadPictureAndDraw)->Unit(benchmark::kMillisecond);

} // namespace
