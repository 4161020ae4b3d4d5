#include "dragdrop/DropMetaSource.h"

#include "dragdrop/DragDropMessages.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/GdiHandles.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/graphics/MetafilePict.h"
#include "platform/system/Exceptions.h"

TDropMetaSource::TDropMetaSource()
{
    FMetafile.SetWidth(100);
    FMetafile.SetHeight(100);
    {
        // The recording ends when the canvas goes.
        TMetafileCanvas Canvas(FMetafile);
        Canvas.Pen.Color = clBtnFace;
        Canvas.Brush = TBrush{clBtnFace, bsSolid};
        Canvas.Rectangle(0, 0, 100, 100);
    }
    AddFormatEtc(CF_METAFILEPICT, nullptr, TYMED_MFPICT, -1, DVASPECT_CONTENT);
    AddFormatEtc(CF_ENHMETAFILE, nullptr, TYMED_ENHMF, -1, DVASPECT_CONTENT);
    AddFormatEtc(CF_METAFILEPICT, nullptr, TYMED_HGLOBAL, -1, DVASPECT_CONTENT);
    AddFormatEtc(CF_ENHMETAFILE, nullptr, TYMED_HGLOBAL, -1, DVASPECT_CONTENT);
}

HRESULT TDropMetaSource::RenderData(const FORMATETC& Format, STGMEDIUM& Medium)
{
    Medium = STGMEDIUM();
    FLastFormat = "::";
    if (FMetafile.Empty() || Format.dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    try {
        if (Format.cfFormat == CF_ENHMETAFILE && (Format.tymed & TYMED_ENHMF)) {
            FLastFormat = PairLabel(CF_ENHMETAFILE, TYMED_ENHMF);
            Medium.hEnhMetaFile = NewEnhMetafileHandle(FMetafile);
            Medium.tymed = TYMED_ENHMF;
        } else if (Format.cfFormat == CF_METAFILEPICT && (Format.tymed & TYMED_MFPICT)) {
            FLastFormat = PairLabel(CF_METAFILEPICT, TYMED_MFPICT);
            Medium.hMetaFilePict = NewMetafilePictBlock(FMetafile);
            Medium.tymed = TYMED_MFPICT;
        } else if (Format.cfFormat == CF_METAFILEPICT && (Format.tymed & TYMED_HGLOBAL)) {
            FLastFormat = PairLabel(CF_METAFILEPICT, TYMED_HGLOBAL);
            Medium.hMetaFilePict = NewMetafilePictBlock(FMetafile);
            Medium.tymed = TYMED_HGLOBAL;
        } else if (Format.cfFormat == CF_ENHMETAFILE && (Format.tymed & TYMED_HGLOBAL)) {
            // An enhanced-metafile handle carried under the global-memory medium.
            FLastFormat = PairLabel(CF_ENHMETAFILE, TYMED_HGLOBAL);
            Medium.hEnhMetaFile = NewEnhMetafileHandle(FMetafile);
            Medium.tymed = TYMED_HGLOBAL;
        } else {
            return DV_E_FORMATETC;
        }
    } catch (...) {
        ReleaseStgMedium(&Medium);
        return E_OUTOFMEMORY;
    }
    if (Medium.hGlobal != nullptr) return S_OK;
    Medium = STGMEDIUM();
    return E_OUTOFMEMORY;
}

bool TDropMetaSource::PutOnClipboard()
{
    if (FMetafile.Empty()) return false;
    TMetafile Enhanced(FMetafile);
    Enhanced.SetEnhanced(true);
    std::vector<std::uint8_t> Bytes;
    Enhanced.SaveToStream(Bytes);
    const HGLOBAL Block = GlobalAllocCopy(Bytes.data(), Bytes.size());
    if (Block == nullptr) return false;
    // The first placement replaces what the clipboard held.
    EmptyClipboard();
    if (!SetClipboardData(CF_ENHMETAFILE, Block)) {
        GlobalFree(Block);
        throw Exception(DragDropMessages::SCannotCopyMetafile);
    }
    return true;
}
