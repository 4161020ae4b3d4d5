#pragma once
// TDropSource: a component that is the data object and the drop source of a drag out of the program,
// and puts the same data on the clipboard. It keeps the list of the formats it offers and answers
// queries and enumerations from it; descendants render each format on request. TEnumFormatEtc
// enumerates the offered formats. TInterfacedComponent is the reference-counted base of the drop source
// and the drop target.

#include "platform/system/DragDrop.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

// A set of the values of a small enumeration, as bits: value N is bit N.
template <class TEnum> class TSmallSet
{
public:
    constexpr TSmallSet() = default;
    constexpr TSmallSet(std::initializer_list<TEnum> Values)
    {
        for (const TEnum Value : Values) FBits |= std::uint8_t(1u << Value);
    }
    static constexpr TSmallSet FromBits(std::uint32_t Bits)
    {
        TSmallSet Set;
        Set.FBits = std::uint8_t(Bits);
        return Set;
    }
    constexpr bool Contains(TEnum Value) const { return (FBits >> Value & 1u) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr std::uint32_t Bits() const { return FBits; }
    friend constexpr bool operator==(TSmallSet, TSmallSet) = default;

private:
    std::uint8_t FBits = 0;
};

// As bits the drag types equal the drop effects copy 1, move 2, link 4.
enum TDragType
{
    dtCopy,
    dtMove,
    dtLink
};
using TDragTypes = TSmallSet<TDragType>;
inline constexpr TDragTypes AllDragTypes{dtCopy, dtMove, dtLink};

enum TDragResult
{
    drCopied,
    drMoved,
    drLinked,
    drCancelled,
    drOutOfMemory,
    drFailed
};

// The label of a pair of format and medium, as "CF_DIB::TYMED_HGLOBAL".
std::string PairLabel(TClipboardFormat Format, DWORD Medium);

// Formats the drag-and-drop units register by name at start, in this order.
struct TDragDropFormats
{
    TClipboardFormat FileContents;
    TClipboardFormat FileGroupDescriptor;
    TClipboardFormat IdList;
    TClipboardFormat PreferredDropEffect;
    TClipboardFormat Url;
    TClipboardFormat FileNameMap;
    TClipboardFormat FileNameMapW;
};
// Starts the drag-and-drop service and registers the formats once per process; ends it at exit.
const TDragDropFormats& DragDropFormats();

// A component that is also a reference-counted object. It starts with the one reference its owner
// holds; the owner gives that up through TComponentPtr, and the component frees itself when the last
// reference goes, so references the platform still holds never dangle.
class TInterfacedComponent : public IUnknown
{
public:
    HRESULT QueryInterface(REFIID Iid, void** Object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    ULONG RefCount() const { return FRefCount; }

protected:
    TInterfacedComponent() = default;
    virtual ~TInterfacedComponent() = default;
    // The interface Iid of this object, or nullptr when the class does not implement it.
    virtual void* Interface(REFIID Iid);

private:
    std::atomic<ULONG> FRefCount{1};
};

template <class TComponent> struct TComponentRelease
{
    void operator()(TComponent* Component) const { Component->Release(); }
};
template <class TComponent> using TComponentPtr = std::unique_ptr<TComponent, TComponentRelease<TComponent>>;
template <class TComponent> TComponentPtr<TComponent> MakeComponent()
{
    return TComponentPtr<TComponent>(new TComponent());
}

class TDropSource : public TInterfacedComponent, public IDataObject, public IDropSource
{
public:
    static constexpr int MaxFormats = 20;
    using TDropEvent = std::function<void(TDropSource& Sender, TDragType DragType, bool& ContinueDrop)>;
    using TFeedbackEvent = std::function<void(TDropSource& Sender, DWORD Effect, bool& UseDefaultCursors)>;

    HRESULT QueryInterface(REFIID Iid, void** Object) override
    {
        return TInterfacedComponent::QueryInterface(Iid, Object);
    }
    ULONG AddRef() override { return TInterfacedComponent::AddRef(); }
    ULONG Release() override { return TInterfacedComponent::Release(); }

    // Runs a whole drag and returns when it has ended.
    TDragResult Execute();
    // Puts the data on the clipboard with "Preferred DropEffect" move or copy.
    virtual bool CutToClipboard();
    virtual bool CopyToClipboard();
    // Appends an offered format; ignored once 20 are offered.
    virtual void AddFormatEtc(TClipboardFormat Format, DVTARGETDEVICE* Device, DWORD Media, std::int32_t Index,
                              DWORD Aspect);

    TDragTypes Dragtypes = {dtCopy};
    TDropEvent OnDrop;
    TFeedbackEvent OnFeedback;

    const TImageList* Images() const { return FImages; }
    void SetImages(const TImageList* List);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Index);
    bool ShowImage() const { return FShowImage; }
    void SetShowImage(bool Value);
    // Index 1 is X, any other index Y.
    int ImageHotSpot(int Index) const { return Index == 1 ? FImageHotSpotX : FImageHotSpotY; }
    void SetImageHotSpot(int Index, int Value) { (Index == 1 ? FImageHotSpotX : FImageHotSpotY) = Value; }
    // The image list is going away: no list, index 0, no image.
    void ImagesRemoved();

    // The effect last reported through feedback or set by a clipboard transfer.
    DWORD CurrentEffect() const { return FCurrentEffect; }
    int FormatCount() const { return FFormatCount; }

    // IDataObject
    HRESULT GetData(const FORMATETC* Format, STGMEDIUM* Medium) override;
    HRESULT GetDataHere(const FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC* Format) override;
    HRESULT GetCanonicalFormatEtc(const FORMATETC*, FORMATETC*) override { return DATA_S_SAMEFORMATETC; }
    HRESULT SetData(const FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override;
    HRESULT DAdvise(const FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA** Enum) override;

    // IDropSource
    HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
    HRESULT GiveFeedback(DWORD Effect) override;

protected:
    TDropSource();
    void* Interface(REFIID Iid) override;
    // Renders one format into Medium; a platform result code, never an exception.
    virtual HRESULT RenderData(const FORMATETC& Format, STGMEDIUM& Medium) = 0;
    // Places the data on the opened clipboard.
    virtual bool PutOnClipboard() { return false; }

private:
    bool ClipboardTransfer(DWORD Effect);

    FORMATETC FFormats[MaxFormats] = {};
    int FFormatCount = 0;
    const TImageList* FImages = nullptr;
    bool FShowImage = false;
    int FImageIndex = 0;
    int FImageHotSpotX = 16;
    int FImageHotSpotY = 16;
    DWORD FCurrentEffect = DROPEFFECT_NONE;
};

// Enumerates a source's offered formats. It reads the source's own list and keeps the source alive
// while it does.
class TEnumFormatEtc final : public IEnumFORMATETC
{
public:
    TEnumFormatEtc(IUnknown* Owner, const FORMATETC* Entries, int Count, int Position = 0);

    HRESULT QueryInterface(REFIID Iid, void** Object) override;
    ULONG AddRef() override { return ++FRefCount; }
    ULONG Release() override;
    HRESULT Next(ULONG Count, FORMATETC* Entries, ULONG* Fetched) override;
    HRESULT Skip(ULONG Count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFORMATETC** Enum) override;

private:
    ~TEnumFormatEtc();

    std::atomic<ULONG> FRefCount{1};
    IUnknown* FOwner;
    const FORMATETC* FEntries;
    int FCount;
    int FPosition;
};
