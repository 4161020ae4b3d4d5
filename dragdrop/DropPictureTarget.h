#pragma once
// TDropPictureTarget: a drop target taking pictures: bitmaps (device-dependent, with or without a
// palette, or a DIB in a global block), palettes, enhanced metafiles and metafile pictures, in the same
// pairs of format and medium as the drop sources offer. It also takes a file list whose first file is a
// picture file the picture layer reads, leaving the file's name for the owner to open.

#include "dragdrop/DropTarget.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"

#include <string>

class TDropPictureTarget : public TDropTarget
{
public:
    TDropPictureTarget();

    // The picture taken by the current drop (while its OnDrop handler runs), or none.
    TPicture& Picture() { return FPicture; }
    // The picture file the current drop names; empty unless the drop brought one.
    const std::string& FileName() const { return FFileName; }
    // "::", or the label of the pair taken last.
    const std::string& LastFormat() const { return FLastFormat; }

protected:
    bool HasValidFormats() override;
    bool DoGetData() override;
    void ClearData() override;

private:
    // Whether the data object serves Pair; the medium is then the caller's to release.
    bool Served(const FORMATETC& Pair, STGMEDIUM& Medium);
    bool TakeBitmap(STGMEDIUM& Medium);
    bool TakeDib(STGMEDIUM& Medium);
    bool TakePalette(STGMEDIUM& Medium);
    bool TakeEnhMetafile(STGMEDIUM& Medium);
    bool TakeMetafilePict(STGMEDIUM& Medium);
    bool TakeFile(STGMEDIUM& Medium);

    TPicture FPicture;
    TBitmap FWorkBitmap;
    TMetafile FWorkMetafile;
    std::string FLastFormat = "::";
    std::string FFileName;
};

// The first of Files when it is a regular file whose extension the picture layer reads; empty otherwise.
std::string DroppedPictureFile(const std::vector<std::string>& Files);
