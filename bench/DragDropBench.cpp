// Drag and drop of a 12-megapixel picture in the main window. The drag's start (the picture drawn at its
// displayed size, handed to the bitmap source and offered as drag data) must stay well under 100 ms, as
// nothing is encoded until a target asks. A PNG file's data dropped by another program is timed beside
// the open command on the same file; the drop should cost at most 1.3 times the opening.

#include "bench/BenchSupport.h"
#include "bench/GuiApplication.h"
#include "platform/controls/Dialogs.h"
#include "platform/graphics/PngImage.h"
#include "platform/system/DragMimeData.h"
#include "platform/system/FileUtils.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSlider>
#include <filesystem>

namespace {

const std::string& BenchPngFile()
{
    static const std::string Path = [] {
        TPngImage Png;
        Png.Assign(MakeBenchPicture());
        std::vector<std::uint8_t> Bytes;
        Png.SaveToStream(Bytes);
        const std::string File = (std::filesystem::temp_directory_path() / "pixora_bench_12mp.png").string();
        WriteWholeFile(File, Bytes);
        return File;
    }();
    return Path;
}

constexpr std::size_t PictureBytes = std::size_t(BenchWidth) * BenchHeight * 3;

void SendMouse(QWidget& View, QEvent::Type Type, QPoint At)
{
    QMouseEvent Event(Type, QPointF(At), View.mapToGlobal(QPointF(At)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&View, &Event);
}

void BM_DragStartOfTwelveMegapixels(benchmark::State& State)
{
    TForm1& Form = BenchWindow();
    Form.LoadPicture(BenchPngFile());
    // At 100 % the whole picture is dragged.
    Form.findChild<QSlider*>(QStringLiteral("TrackBar1"))->setValue(100);
    auto* View = Form.findChild<QWidget*>(QStringLiteral("KelvoImage1"));
    // The toolkit's loop makes the drag data and shows the drag; here the drag ends as soon as it is shown.
    SetDragLoop([](IDataObject* Data, IDropSource*, DWORD, DWORD*) {
        const TDataObjectMimeData Mime(Data);
        benchmark::DoNotOptimize(Mime.formats());
        return DRAGDROP_S_CANCEL;
    });
    RunAgainstMemcpy(
        State, PictureBytes, [] {},
        [&] {
            SendMouse(*View, QEvent::MouseButtonPress, QPoint(10, 10));
            SendMouse(*View, QEvent::MouseMove, QPoint(30, 30));
        },
        WallSeconds);
    SetDragLoop(nullptr);
}
BENCHMARK(BM_DragStartOfTwelveMegapixels)->Unit(benchmark::kMillisecond);

// The open command as the menu runs it, its dialog answered with the file.
void BM_OpenTwelveMegapixelPng(benchmark::State& State)
{
    TForm1& Form = BenchWindow();
    const std::string& File = BenchPngFile();
    SetFileDialogAnswerer([&](const TFileDialogRequest&) { return std::optional<std::string>(File); });
    auto* Open = Form.findChild<QAction*>(QStringLiteral("Open1"));
    RunAgainstMemcpy(
        State, PictureBytes, [] {}, [&] { Open->trigger(); }, WallSeconds);
    SetFileDialogAnswerer(nullptr);
}
BENCHMARK(BM_OpenTwelveMegapixelPng)->Unit(benchmark::kMillisecond);

void BM_DropTwelveMegapixelPng(benchmark::State& State)
{
    TForm1& Form = BenchWindow();
    auto* Box = Form.findChild<QScrollArea*>(QStringLiteral("ScrollBox1"));
    // The window is never shown, so its layout never gave the picture area a size.
    Box->resize(400, 300);
    const std::vector<std::uint8_t> Bytes = ReadWholeFile(BenchPngFile());
    QMimeData Data;
    Data.setData("image/png", QByteArray(reinterpret_cast<const char*>(Bytes.data()), qsizetype(Bytes.size())));
    const QPoint At(50, 50);
    const Qt::DropActions Actions = Qt::CopyAction;
    RunAgainstMemcpy(
        State, PictureBytes, [] {},
        [&] {
            QDragEnterEvent Enter(At, Actions, &Data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(Box, &Enter);
            QDropEvent Drop(At, Actions, &Data, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(Box, &Drop);
            if (!Drop.isAccepted()) State.SkipWithError("the drop was refused");
        },
        WallSeconds);
}
BENCHMARK(BM_DropTwelveMegapixelPng)->Unit(benchmark::kMillisecond);

} // namespace
