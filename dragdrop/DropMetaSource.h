#pragma once
// TDropMetaSource: a drop source offering an enhanced metafile as CF_METAFILEPICT (metafile picture and
// global block) and CF_ENHMETAFILE (enhanced metafile and global block), rendered from the owned copy at
// each request.

#include "dragdrop/DropSource.h"
#include "platform/graphics/Metafile.h"

#include <string>

class TDropMetaSource : public TDropSource
{
public:
    // The metafile starts as a blank 100 × 100 picture in the button-face colour.
    TDropMetaSource();

    const TMetafile& Metafile() const { return FMetafile; }
    // Copies Value into the owned metafile.
    void SetMetafile(const TMetafile& Value) { FMetafile = Value; }
    // "::", or the label of the pair the last rendering served.
    const std::string& LastFormat() const { return FLastFormat; }

protected:
    HRESULT RenderData(const FORMATETC& Format, STGMEDIUM& Medium) override;
    // Raises "Unable to copy Metafile to Clipboard." when the clipboard refuses the metafile.
    bool PutOnClipboard() override;

private:
    TMetafile FMetafile;
    std::string FLastFormat = "::";
};
