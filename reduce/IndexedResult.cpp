#include "reduce/IndexedResult.h"

std::unique_ptr<TBitmap> NewIndexedBitmap(int Width, int Height, TPalette Palette)
{
    auto Result = std::make_unique<TBitmap>();
    Result->SetLayout(Width, Height, 8);
    Result->SetPalette(std::move(Palette));
    return Result;
}
