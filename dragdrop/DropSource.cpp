#include "dragdrop/DropSource.h"

#include "dragdrop/DragRenderers.h"

#include <algorithm>

namespace {

// The service runs from the first use of the units to the end of the program.
struct TDragDropUnits
{
    TDragDropUnits()
    {
        OleInitialize(nullptr);
        Formats = TDragDropFormats{RegisterClipboardFormat("FileContents"),
                                   RegisterClipboardFormat("FileGroupDescriptor"),
                                   RegisterClipboardFormat("Shell IDList Array"),
                                   RegisterClipboardFormat("Preferred DropEffect"),
                                   RegisterClipboardFormat("UniformResourceLocator"),
                                   RegisterClipboardFormat("FileNameMap"),
                                   RegisterClipboardFormat("FileNameMapW")};
        InstallDragRenderers();
    }
    ~TDragDropUnits() { OleUninitialize(); }
    TDragDropUnits(const TDragDropUnits&) = delete;
    TDragDropUnits& operator=(const TDragDropUnits&) = delete;
    TDragDropFormats Formats{};
};

} // namespace

std::string PairLabel(TClipboardFormat Format, DWORD Medium)
{
    const auto FormatName = [&]() -> std::string {
        switch (Format) {
        case CF_BITMAP:
            return "CF_BITMAP";
        case CF_METAFILEPICT:
            return "CF_METAFILEPICT";
        case CF_DIB:
            return "CF_DIB";
        case CF_PALETTE:
            return "CF_PALETTE";
        case CF_ENHMETAFILE:
            return "CF_ENHMETAFILE";
        case CF_HDROP:
            return "CF_HDROP";
        default:
            return GetClipboardFormatName(Format);
        }
    };
    const auto MediumName = [&]() -> std::string {
        switch (Medium) {
        case TYMED_HGLOBAL:
            return "TYMED_HGLOBAL";
        case TYMED_GDI:
            return "TYMED_GDI";
        case TYMED_MFPICT:
            return "TYMED_MFPICT";
        case TYMED_ENHMF:
            return "TYMED_ENHMF";
        default:
            return {};
        }
    };
    return FormatName() + "::" + MediumName();
}

const TDragDropFormats& DragDropFormats()
{
    static const TDragDropUnits Units;
    return Units.Formats;
}

HRESULT TInterfacedComponent::QueryInterface(REFIID Iid, void** Object)
{
    if (Object == nullptr) return E_INVALIDARG;
    *Object = Interface(Iid);
    if (*Object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG TInterfacedComponent::AddRef()
{
    return ++FRefCount;
}

ULONG TInterfacedComponent::Release()
{
    const ULONG Count = --FRefCount;
    if (Count == 0) delete this;
    return Count;
}

void* TInterfacedComponent::Interface(REFIID Iid)
{
    return Iid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
}

TDropSource::TDropSource()
{
    DragDropFormats();
}

void* TDropSource::Interface(REFIID Iid)
{
    if (Iid == IID_IDataObject) return static_cast<IDataObject*>(this);
    if (Iid == IID_IDropSource) return static_cast<IDropSource*>(this);
    return TInterfacedComponent::Interface(Iid);
}

void TDropSource::AddFormatEtc(TClipboardFormat Format, DVTARGETDEVICE* Device, DWORD Media, std::int32_t Index,
                               DWORD Aspect)
{
    if (FFormatCount == MaxFormats) return;
    FFormats[FFormatCount++] = FORMATETC{Format, Device, Aspect, Index, Media};
}

HRESULT TDropSource::GetData(const FORMATETC* Format, STGMEDIUM* Medium)
{
    if (Format == nullptr || Medium == nullptr) return E_INVALIDARG;
    return RenderData(*Format, *Medium);
}

HRESULT TDropSource::QueryGetData(const FORMATETC* Format)
{
    if (Format == nullptr) return E_INVALIDARG;
    const bool Offered = std::any_of(FFormats, FFormats + FFormatCount, [&](const FORMATETC& Entry) {
        return Entry.cfFormat == Format->cfFormat && Entry.dwAspect == Format->dwAspect &&
               (Entry.tymed & Format->tymed) != 0;
    });
    return Offered ? S_OK : E_FAIL;
}

HRESULT TDropSource::EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum)
{
    if (Enum == nullptr) return E_INVALIDARG;
    *Enum = nullptr;
    if (Direction == DATADIR_SET) return E_NOTIMPL;
    if (Direction != DATADIR_GET) return E_INVALIDARG;
    *Enum = new TEnumFormatEtc(static_cast<IDataObject*>(this), FFormats, FFormatCount);
    return S_OK;
}

HRESULT TDropSource::EnumDAdvise(IEnumSTATDATA** Enum)
{
    if (Enum != nullptr) *Enum = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT TDropSource::GiveFeedback(DWORD Effect)
{
    FCurrentEffect = Effect;
    bool UseDefaultCursors = true;
    if (OnFeedback) OnFeedback(*this, Effect, UseDefaultCursors);
    return UseDefaultCursors ? DRAGDROP_S_USEDEFAULTCURSORS : S_OK;
}

HRESULT TDropSource::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState)
{
    if (EscapePressed) return DRAGDROP_S_CANCEL;
    if (KeyState & (MK_LBUTTON | MK_RBUTTON)) return S_OK;
    bool ContinueDrop = true;
    TDragType DragType = dtCopy;
    if (FCurrentEffect & DROPEFFECT_COPY)
        DragType = dtCopy;
    else if (FCurrentEffect & DROPEFFECT_MOVE)
        DragType = dtMove;
    else if (FCurrentEffect & DROPEFFECT_LINK)
        DragType = dtLink;
    else
        ContinueDrop = false;
    if (!Dragtypes.Contains(DragType)) ContinueDrop = false;
    // The handler runs inside the platform's drag loop, where no exception may pass.
    if (ContinueDrop && OnDrop) try {
            OnDrop(*this, DragType, ContinueDrop);
        } catch (...) {
            ContinueDrop = false;
        }
    return ContinueDrop ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
}

TDragResult TDropSource::Execute()
{
    TDragResult Result = drFailed;
    const DWORD Allowed = Dragtypes.Bits();
    const bool ImageStarted =
        FShowImage && FImages != nullptr && ImageList_BeginDrag(FImages, FImageIndex, FImageHotSpotX, FImageHotSpotY);
    DWORD Effect = DROPEFFECT_NONE;
    const HRESULT Code = DoDragDrop(this, this, Allowed, &Effect);
    if (ImageStarted) ImageList_EndDrag();
    if (Code == E_OUTOFMEMORY) {
        Result = drOutOfMemory;
    } else if (Code == DRAGDROP_S_DROP) {
        if ((Effect & Allowed) == 0)
            Result = drCancelled;
        else if (Effect & DROPEFFECT_COPY)
            Result = drCopied;
        else if (Effect & DROPEFFECT_MOVE)
            Result = drMoved;
        else
            Result = drLinked;
    } else if (Code == DRAGDROP_S_CANCEL) {
        Result = drCancelled;
    }
    return Result;
}

bool TDropSource::ClipboardTransfer(DWORD Effect)
{
    if (!OpenClipboard()) return false;
    bool Result = false;
    try {
        Result = PutOnClipboard();
        if (Result) {
            FCurrentEffect = Effect;
            FORMATETC Request{DragDropFormats().PreferredDropEffect, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            STGMEDIUM Medium;
            if (GetData(&Request, &Medium) == S_OK) {
                if (!SetClipboardData(Request.cfFormat, Medium.hGlobal)) ReleaseStgMedium(&Medium);
            } else {
                Result = false;
            }
        }
    } catch (...) {
        CloseClipboard();
        throw;
    }
    CloseClipboard();
    return Result;
}

bool TDropSource::CutToClipboard()
{
    return ClipboardTransfer(DROPEFFECT_MOVE);
}

bool TDropSource::CopyToClipboard()
{
    return ClipboardTransfer(DROPEFFECT_COPY);
}

void TDropSource::SetImages(const TImageList* List)
{
    if (List == FImages) return;
    FImages = List;
    FImageIndex = 0;
    FShowImage = List != nullptr;
}

void TDropSource::SetImageIndex(int Index)
{
    if (Index < 0 || FImages == nullptr || FImages->Count() == 0) {
        FImageIndex = 0;
        FShowImage = false;
    } else if (Index < FImages->Count()) {
        FImageIndex = Index;
    }
}

void TDropSource::SetShowImage(bool Value)
{
    FShowImage = Value && FImages != nullptr;
}

void TDropSource::ImagesRemoved()
{
    FImages = nullptr;
    FImageIndex = 0;
    FShowImage = false;
}

TEnumFormatEtc::TEnumFormatEtc(IUnknown* Owner, const FORMATETC* Entries, int Count, int Position)
    : FOwner(Owner), FEntries(Entries), FCount(Count), FPosition(Position)
{
    FOwner->AddRef();
}

TEnumFormatEtc::~TEnumFormatEtc()
{
    FOwner->Release();
}

HRESULT TEnumFormatEtc::QueryInterface(REFIID Iid, void** Object)
{
    if (Object == nullptr) return E_INVALIDARG;
    *Object = nullptr;
    if (Iid != IID_IUnknown && Iid != IID_IEnumFORMATETC) return E_NOINTERFACE;
    *Object = static_cast<IEnumFORMATETC*>(this);
    AddRef();
    return S_OK;
}

ULONG TEnumFormatEtc::Release()
{
    const ULONG Count = --FRefCount;
    if (Count == 0) delete this;
    return Count;
}

HRESULT TEnumFormatEtc::Next(ULONG Count, FORMATETC* Entries, ULONG* Fetched)
{
    ULONG Copied = 0;
    while (Copied < Count && FPosition < FCount) Entries[Copied++] = FEntries[FPosition++];
    if (Fetched != nullptr) *Fetched = Copied;
    return Copied < Count ? S_FALSE : S_OK;
}

HRESULT TEnumFormatEtc::Skip(ULONG Count)
{
    if (ULONG(FCount - FPosition) < Count) {
        FPosition = FCount;
        return S_FALSE;
    }
    FPosition += int(Count);
    return S_OK;
}

HRESULT TEnumFormatEtc::Reset()
{
    FPosition = 0;
    return S_OK;
}

HRESULT TEnumFormatEtc::Clone(IEnumFORMATETC** Enum)
{
    if (Enum == nullptr) return E_INVALIDARG;
    *Enum = new TEnumFormatEtc(FOwner, FEntries, FCount, FPosition);
    return S_OK;
}
