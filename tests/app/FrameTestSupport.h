#pragma once
// A shown main window for the window tests, with its dialogs and message boxes answered in-process.

#include "app/Frame.h"

#include <QAction>
#include <QObject>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSlider;
class QSpinBox;
class QComboBox;

class TFrameFixture
{
public:
    TFrameFixture();
    ~TFrameFixture();

    TForm1& Form() { return *FForm; }
    // Closes the window and starts a new one, as the next run of the program would.
    void Restart();

    template <class TControl> TControl& Control(const char* Name)
    {
        auto* Found = FForm->findChild<TControl*>(QLatin1String(Name));
        if (Found == nullptr) throw std::runtime_error(std::string("no control ") + Name);
        return *Found;
    }
    // Presses a button or triggers a menu item found by its name.
    void Press(const char* Name);
    void Slide(const char* Name, int Position);
    // Chooses an item of a combo box as the user does.
    void Choose(const char* Name, int Index);

    // Opens File through the open dialog.
    void Open(const std::filesystem::path& File);
    // Saves through the save dialog under File; returns the name the dialog proposed.
    std::string Save(const std::filesystem::path& File);

    // Texts of the message boxes shown so far.
    const std::vector<std::string>& Messages() const { return FMessages; }
    std::string Caption() const;
    const TBitmap& PictureBitmap();

    // A fresh folder for the test's files, removed with the fixture.
    const std::filesystem::path& Folder() const { return FFolder; }

private:
    void StartForm();

    std::unique_ptr<TForm1> FForm;
    std::vector<std::string> FMessages;
    std::optional<std::string> FNextFile;
    std::string FProposed;
    std::filesystem::path FFolder;
};

// A 24-bit bitmap with a different colour in every pixel of a small neighbourhood.
TBitmap MakeGradient(int Width, int Height);

// Writes Bitmap as a BMP file.
void WriteBitmapFile(const TBitmap& Bitmap, const std::filesystem::path& File);
