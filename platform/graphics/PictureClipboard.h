#pragma once
// The picture layer on the clipboard (Clipboard.h): graphics go on it in the formats of their class
// and come back from the first picture format it offers.
//
//   bitmap    CF_BITMAP (a packed DIB, also offered as CF_DIB), and CF_PALETTE when it has a colour table
//   metafile  CF_ENHMETAFILE and CF_METAFILEPICT, its own kind first
//   a class bound to a registered format (RegisterClipboardGraphic): the bytes of its file under it
//   any other graphic but an icon: drawn into a bitmap and placed as one
//
// Other programs are offered every picture placed here as image/png as well, drawn by this layer's
// PNG encoder when one of them asks: a bitmap as it is, a metafile or a bound class (a JPEG) as it
// shows when pasted here.

#include "platform/graphics/Picture.h"
#include "platform/system/Clipboard.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class TBitmap;

// Binds a registered format to a graphic class: graphics of that class go on the clipboard under Format
// as the bytes of their file, and data under Format is read back as that class.
void RegisterClipboardGraphic(TClipboardFormat Format, TPicture::TGraphicFactory Factory);

// Whether the clipboard offers a format a graphic class reads: CF_BITMAP, CF_METAFILEPICT,
// CF_ENHMETAFILE or a bound format.
bool ClipboardHasGraphic();

// Opens and empties the clipboard, places Graphic's formats and closes it. Raises
// "クリップボードを開くことができません" when the clipboard cannot be opened and
// "クリップボードはアイコンには対応していません" for an icon (the clipboard is then left as it was).
void CopyGraphicToClipboard(const TGraphic& Graphic);
// Places Graphic's formats on the clipboard the caller has opened and emptied; false for an empty
// graphic. Raises "クリップボードはアイコンには対応していません" for an icon.
bool PlaceGraphicOnClipboard(const TGraphic& Graphic);

// The graphic of the first picture format the clipboard offers, or nullptr when it offers none. Raises
// "クリップボードを開くことができません" when the clipboard cannot be opened, and the format's message
// for damaged data.
std::unique_ptr<TGraphic> GraphicFromClipboard();

// The packed DIB of Bitmap (its BMP file without the file header); empty for an empty bitmap.
std::vector<std::uint8_t> PackedDibOf(const TBitmap& Bitmap);
// Replaces Target by the bitmap of a packed DIB; damaged data raises "ビットマップイメージが不正です".
void ReadPackedDib(std::span<const std::uint8_t> Dib, TBitmap& Target);
