#pragma once
// TDropBMPSource: a drop source offering a bitmap as CF_DIB in a global block, CF_BITMAP as a
// device-dependent bitmap and CF_PALETTE as its palette, rendered from the owned copy at each request.

#include "dragdrop/DropSource.h"
#include "platform/graphics/Bitmap.h"

#include <string>

class TDropBMPSource : public TDropSource
{
public:
    TDropBMPSource();

    const TBitmap& Bitmap() const { return FBitmap; }
    // Copies Value into the owned bitmap.
    void SetBitmap(const TBitmap& Value) { FBitmap = Value; }
    // "::", or the label of the pair the last rendering served.
    const std::string& LastFormat() const { return FLastFormat; }

protected:
    HRESULT RenderData(const FORMATETC& Format, STGMEDIUM& Medium) override;
    // Raises "Unable to copy Bitmap to Clipboard." when the clipboard refuses the bitmap.
    bool PutOnClipboard() override;

private:
    TBitmap FBitmap;
    std::string FLastFormat = "::";
};

// The block of a bitmap's DIB: its BMP file without the 14-byte file header; nullptr when it cannot be
// had.
HGLOBAL NewDibBlock(const TBitmap& Bitmap);
