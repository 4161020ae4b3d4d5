#pragma once
// TPicture: the container of one graphic (or none), loading and saving by file extension.

#include "platform/graphics/Graphic.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TPicture
{
public:
    using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Stores a copy of Value (nullptr empties the picture).
    void SetGraphic(const TGraphic* Value);
    // Takes Value over without copying it.
    void SetGraphic(std::unique_ptr<TGraphic> Value);
    // Hands the graphic over without copying it; the picture is left empty.
    std::unique_ptr<TGraphic> ReleaseGraphic();
    // The graphic as a bitmap; a picture holding anything else is first given a new empty bitmap.
    TBitmap& Bitmap();

    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Loads the file as the graphic class its extension names (case-insensitive). Raises
    // "拡張子 .%s の画像形式は処理できません", "ファイル %s は開けません" or the format's message.
    void LoadFromFile(const std::string& FileName);
    // Writes the graphic in its own format, through a temporary file renamed over FileName, so a failed
    // save leaves an existing file as it was. Raises "ファイル %s を作成できません".
    void SaveToFile(const std::string& FileName) const;

    // Binds an extension (without the dot, lower case) to the class that reads it.
    static void RegisterFileFormat(const std::string& Extension, TGraphicFactory Factory);
    // The class bound to Extension, or nullptr.
    static std::unique_ptr<TGraphic> MakeGraphicFor(const std::string& Extension);
    // The extension of FileName without its dot, in lower case ("" when there is none).
    static std::string ExtensionOf(const std::string& FileName);
    // Every bound extension, in alphabetical order.
    static std::vector<std::string> FileExtensions();

    // Called after the graphic is replaced or changes.
    std::function<void()> OnChange;

private:
    void Install(std::unique_ptr<TGraphic> Value);

    std::unique_ptr<TGraphic> FGraphic;
};
