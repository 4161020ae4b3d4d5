#include "dragdrop/DropBMPSource.h"

#include "dragdrop/DragDropMessages.h"
#include "platform/graphics/GdiHandles.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/Exceptions.h"

HGLOBAL NewDibBlock(const TBitmap& Bitmap)
{
    const std::vector<std::uint8_t> Dib = PackedDibOf(Bitmap);
    return GlobalAllocCopy(Dib.data(), Dib.size());
}

TDropBMPSource::TDropBMPSource()
{
    AddFormatEtc(CF_DIB, nullptr, TYMED_HGLOBAL, -1, DVASPECT_CONTENT);
    AddFormatEtc(CF_BITMAP, nullptr, TYMED_GDI, -1, DVASPECT_CONTENT);
    AddFormatEtc(CF_PALETTE, nullptr, TYMED_GDI, -1, DVASPECT_CONTENT);
}

HRESULT TDropBMPSource::RenderData(const FORMATETC& Format, STGMEDIUM& Medium)
{
    Medium = STGMEDIUM();
    FLastFormat = "::";
    if (FBitmap.Empty() || Format.dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    try {
        if (Format.cfFormat == CF_BITMAP && (Format.tymed & TYMED_GDI)) {
            FLastFormat = PairLabel(CF_BITMAP, TYMED_GDI);
            Medium.hBitmap = NewBitmapHandle(FBitmap);
            if (Medium.hBitmap == nullptr) return E_OUTOFMEMORY;
            Medium.tymed = TYMED_GDI;
            return S_OK;
        }
        if (Format.cfFormat == CF_DIB && (Format.tymed & TYMED_HGLOBAL)) {
            FLastFormat = PairLabel(CF_DIB, TYMED_HGLOBAL);
            Medium.hGlobal = NewDibBlock(FBitmap);
            if (Medium.hGlobal == nullptr) return E_OUTOFMEMORY;
            Medium.tymed = TYMED_HGLOBAL;
            return S_OK;
        }
        if (Format.cfFormat == CF_PALETTE && (Format.tymed & TYMED_GDI)) {
            FLastFormat = PairLabel(CF_PALETTE, TYMED_GDI);
            Medium.hBitmap = NewPaletteHandle(FBitmap.Palette());
            if (Medium.hBitmap == nullptr) return E_OUTOFMEMORY;
            Medium.tymed = TYMED_GDI;
            return S_OK;
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return DV_E_FORMATETC;
}

bool TDropBMPSource::PutOnClipboard()
{
    if (FBitmap.Empty()) return false;
    const HGLOBAL Block = NewDibBlock(FBitmap);
    if (Block == nullptr) return false;
    // The first placement replaces what the clipboard held.
    EmptyClipboard();
    if (!SetClipboardData(CF_BITMAP, Block)) {
        GlobalFree(Block);
        throw Exception(DragDropMessages::SCannotCopyBitmap);
    }
    return true;
}
