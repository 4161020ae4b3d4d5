#include "platform/graphics/Graphic.h"

#include "platform/graphics/Bitmap.h"
#include "platform/system/FileUtils.h"

void TGraphic::LoadFromFileBytes(TLargeBlock&& File)
{
    LoadFromStream(File.Bytes());
}

std::vector<std::span<const std::uint8_t>> TGraphic::FileParts(std::vector<std::uint8_t>& Scratch) const
{
    SaveToStream(Scratch);
    return {std::span<const std::uint8_t>(Scratch)};
}

void TGraphic::SaveToFile(const std::string& FileName) const
{
    std::vector<std::uint8_t> Scratch;
    WriteWholeFile(FileName, FileParts(Scratch));
}

bool TGraphic::AssignTo(TBitmap& Target) const
{
    const TBitmap* Pixels = OpaqueBitmap();
    if (Pixels) Target = *Pixels;
    return Pixels != nullptr;
}
