#pragma once
// TGraphic: the common base of every picture kind (bitmap, metafile, icon, JPEG, PNG).

#include "platform/graphics/Palette.h"
#include "platform/graphics/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TBitmap;
class TCanvas;
class TLargeBlock;

class TGraphic
{
public:
    virtual ~TGraphic() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual void SetHeight(int Value) = 0;
    virtual bool Empty() const = 0;

    // A copy of this graphic of the same class; the caller owns it.
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    // Draws the graphic stretched into Rect on Canvas.
    virtual void Draw(TCanvas& Canvas, const TRect& Rect) const = 0;

    // Reads the graphic from the bytes of a file of its format; damaged data raises the format's message.
    virtual void LoadFromStream(std::span<const std::uint8_t> Bytes) = 0;
    // The same from a whole file's bytes, which a graphic that keeps its file takes over instead of
    // copying them.
    virtual void LoadFromFileBytes(TLargeBlock&& File);
    // Appends the bytes of a file of the graphic's own format.
    virtual void SaveToStream(std::vector<std::uint8_t>& Bytes) const = 0;
    // The same file as pieces to be written in order, which may point into the graphic itself (a bitmap's
    // rows), so a large picture reaches its file without being copied first; Scratch holds what the
    // pieces need besides. The graphic and Scratch must outlive the pieces.
    virtual std::vector<std::span<const std::uint8_t>> FileParts(std::vector<std::uint8_t>& Scratch) const;
    // Writes SaveToStream's file through a temporary file renamed over FileName (see TPicture::SaveToFile).
    void SaveToFile(const std::string& FileName) const;
    // The extension, without the dot, of the graphic's own file format ("bmp", "jpg", ...).
    virtual std::string DefaultExtension() const = 0;

    virtual TPalette Palette() const { return {}; }

    // Fills Target with this graphic's pixels when the graphic can do better than drawing itself onto a
    // bitmap (a JPEG decodes); returns false to let the bitmap draw it on white. By default Target gets a
    // copy of OpaqueBitmap where there is one.
    virtual bool AssignTo(TBitmap& Target) const;
    // The bitmap that holds exactly what the graphic shows, so it can stand for the graphic where a bitmap
    // is wanted: a decoded picture without transparency. Null where the graphic must be drawn, as one with
    // transparency must be: its straight-alpha pixels are not what it shows, over white or anything else.
    virtual const TBitmap* OpaqueBitmap() const { return nullptr; }
    // Makes this graphic from the pixels of Source, as saving a bitmap in this graphic's format needs
    // (a JPEG picture compresses them); returns false, leaving the graphic as it was, where the class
    // cannot be made from a bitmap.
    virtual bool AssignFromBitmap(const TBitmap&) { return false; }

    // Called after every change of the graphic (size, pixels, drawing on its canvas).
    std::function<void()> OnChange;

protected:
    void Changed() const
    {
        if (OnChange) OnChange();
    }
};
