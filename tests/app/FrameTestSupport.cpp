#include "tests/app/FrameTestSupport.h"

#include "platform/controls/Dialogs.h"
#include "platform/system/FileUtils.h"
#include "tests/support/TestApplication.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <random>
#include <unistd.h>

TFrameFixture::TFrameFixture()
{
    EnsureApplication();
    FFolder = std::filesystem::temp_directory_path() /
              ("pixora_frame_" + std::to_string(::getpid()) + "_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(FFolder);
    SetMessageBoxAnswerer([this](const std::string& Text) { FMessages.push_back(Text); });
    SetFileDialogAnswerer([this](const TFileDialogRequest& Request) -> std::optional<std::string> {
        FProposed = Request.FileName;
        std::optional<std::string> Answer = FNextFile;
        FNextFile.reset();
        return Answer;
    });
    StartForm();
}

void TFrameFixture::StartForm()
{
    FForm = std::make_unique<TForm1>();
    // Each window keeps its settings in the test's own folder, so tests running side by side neither
    // share nor leave them.
    FForm->Parameter1.SetDir(FFolder.string());
    FForm->show();
    // The steps of the start that follow the window onto the screen.
    QCoreApplication::processEvents();
}

void TFrameFixture::Restart()
{
    FForm->close();
    FForm.reset();
    StartForm();
}

TFrameFixture::~TFrameFixture()
{
    FForm.reset();
    SetMessageBoxAnswerer(nullptr);
    SetFileDialogAnswerer(nullptr);
    std::error_code Ignored;
    std::filesystem::remove_all(FFolder, Ignored);
}

void TFrameFixture::Press(const char* Name)
{
    if (auto* Push = FForm->findChild<QPushButton*>(QLatin1String(Name))) {
        Push->click();
        return;
    }
    Control<QAction>(Name).trigger();
}

void TFrameFixture::Slide(const char* Name, int Position)
{
    Control<QSlider>(Name).setValue(Position);
}

void TFrameFixture::Choose(const char* Name, int Index)
{
    auto& Box = Control<QComboBox>(Name);
    Box.setCurrentIndex(Index);
    emit Box.activated(Index);
}

void TFrameFixture::Open(const std::filesystem::path& File)
{
    FNextFile = File.string();
    Press("Open1");
}

std::string TFrameFixture::Save(const std::filesystem::path& File)
{
    FNextFile = File.string();
    Press("Save1");
    return FProposed;
}

std::string TFrameFixture::Caption() const
{
    return FForm->windowTitle().toStdString();
}

const TBitmap& TFrameFixture::PictureBitmap()
{
    auto* Bitmap = dynamic_cast<TBitmap*>(FForm->KelvoImage1.Picture().Graphic());
    if (Bitmap == nullptr) throw std::runtime_error("the picture is not a bitmap");
    return *Bitmap;
}

TBitmap MakeGradient(int Width, int Height)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X) {
            Row[3 * X] = std::uint8_t(X * 7 + Y * 3);
            Row[3 * X + 1] = std::uint8_t(X * 2 + Y * 11);
            Row[3 * X + 2] = std::uint8_t((X * Y) % 251);
        }
    }
    return Bitmap;
}

void WriteBitmapFile(const TBitmap& Bitmap, const std::filesystem::path& File)
{
    std::vector<std::uint8_t> Bytes;
    Bitmap.SaveToStream(Bytes);
    WriteWholeFile(File.string(), Bytes);
}
