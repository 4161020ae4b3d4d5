// Starts the real program on a virtual display, opens a corpus photograph and checks the window that the
// display server shows.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "tests/support/TestPictures.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

TEST(RealWindow, ShowsAnOpenedPhotographUnderXvfb)
{
    const std::filesystem::path Photo = CorpusDir() / "jpeg" / "flower.jpg";
    if (CorpusDir().empty() || !std::filesystem::exists(Photo))
        GTEST_SKIP() << "the corpus photograph ../shared/corpus/jpeg/flower.jpg is absent";
    if (std::system("command -v xvfb-run > /dev/null") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    // A copy of the program in a folder of its own starts as at its first start, without the settings
    // file a run of the built program may have left beside it.
    const std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("pixora_window_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Folder);
    std::filesystem::copy_file(PIXORA_EXECUTABLE, Folder / "pixora", std::filesystem::copy_options::overwrite_existing);
    const std::filesystem::path Shot = Folder / "window.png";
    const std::string Command = "xvfb-run -a -s '-screen 0 1024x768x24' env QT_QPA_PLATFORM=xcb '" +
                                (Folder / "pixora").string() + "' --open '" + Photo.string() + "' --screenshot '" +
                                Shot.string() + "'";
    const int Status = std::system(Command.c_str());
    if (Status != 0) std::filesystem::remove_all(Folder);
    ASSERT_EQ(Status, 0) << Command;
    // A copy for the documentation when asked for.
    if (const char* Keep = std::getenv("PIXORA_KEEP_SCREENSHOT"))
        std::filesystem::copy_file(Shot, Keep, std::filesystem::copy_options::overwrite_existing);

    TPicture Picture;
    Picture.LoadFromFile(Shot.string());
    std::filesystem::remove_all(Folder);
    TBitmap Window;
    Window.Assign(*Picture.Graphic());
    Window.SetPixelFormat(pf24bit);
    EXPECT_EQ(Window.Width(), 604);
    EXPECT_EQ(Window.Height(), 501);
    // Right of the 186-pixel panel the photograph shows: far more colours than a plain window has.
    std::set<std::uint32_t> Colours;
    for (int Y = 60; Y < 200; ++Y) {
        const std::uint8_t* Row = Window.ScanLine(Y);
        for (int X = 220; X < 400; ++X)
            Colours.insert(Row[3 * X] | (Row[3 * X + 1] << 8) | (std::uint32_t(Row[3 * X + 2]) << 16));
    }
    EXPECT_GT(Colours.size(), 1000u);
}
