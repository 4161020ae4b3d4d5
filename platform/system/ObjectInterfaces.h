#pragma once
// The object interfaces of the drag-and-drop service: reference-counted objects queried by interface
// identifier, the data object that offers formats, the drop source and target, the format enumerator,
// their records and the result codes, all with the platform's numeric values.

#include "platform/system/Clipboard.h"
#include "platform/system/GdiObjects.h"

#include <cstdint>

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using BOOL = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
inline constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
inline constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = HRESULT(0x80040003u);
inline constexpr HRESULT DV_E_FORMATETC = HRESULT(0x80040064u);
inline constexpr HRESULT DRAGDROP_E_NOTREGISTERED = HRESULT(0x80040100u);
inline constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = HRESULT(0x80040101u);
inline constexpr HRESULT DRAGDROP_E_INVALIDHWND = HRESULT(0x80040102u);
inline constexpr HRESULT DATA_S_SAMEFORMATETC = 0x00040130;
inline constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
inline constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
inline constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;

constexpr bool SUCCEEDED(HRESULT Result)
{
    return Result >= 0;
}

// Media of a storage medium, as bits of a mask.
inline constexpr DWORD TYMED_NULL = 0;
inline constexpr DWORD TYMED_HGLOBAL = 1;
inline constexpr DWORD TYMED_GDI = 16;
inline constexpr DWORD TYMED_MFPICT = 32;
inline constexpr DWORD TYMED_ENHMF = 64;

inline constexpr DWORD DVASPECT_CONTENT = 1;
inline constexpr DWORD DATADIR_GET = 1;
inline constexpr DWORD DATADIR_SET = 2;

// Drop effects; the scroll bit tells the source that the target scrolls.
inline constexpr DWORD DROPEFFECT_NONE = 0;
inline constexpr DWORD DROPEFFECT_COPY = 1;
inline constexpr DWORD DROPEFFECT_MOVE = 2;
inline constexpr DWORD DROPEFFECT_LINK = 4;
inline constexpr DWORD DROPEFFECT_SCROLL = 0x80000000u;

// Bits of the key state handed to a drop source and target.
inline constexpr DWORD MK_LBUTTON = 0x01;
inline constexpr DWORD MK_RBUTTON = 0x02;
inline constexpr DWORD MK_SHIFT = 0x04;
inline constexpr DWORD MK_CONTROL = 0x08;
inline constexpr DWORD MK_MBUTTON = 0x10;
inline constexpr DWORD MK_ALT = 0x20;

// The predefined format of a list of files (a DROPFILES block).
inline constexpr TClipboardFormat CF_HDROP = 15;

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using REFIID = const IID&;

inline constexpr IID IID_IUnknown{0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IEnumFORMATETC{0x00000103, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDataObject{0x0000010E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDropSource{0x00000121, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDropTarget{0x00000122, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct POINTL
{
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// A target device record; never used here, always nullptr.
struct DVTARGETDEVICE;
struct IAdviseSink;
struct IEnumSTATDATA;

struct FORMATETC
{
    TClipboardFormat cfFormat = 0;
    DVTARGETDEVICE* ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    std::int32_t lindex = -1;
    DWORD tymed = TYMED_NULL;
};

class IUnknown;

// One medium holding data: its kind and the handle of that kind. TYMED_GDI carries a bitmap or a
// palette in hBitmap; TYMED_MFPICT a block holding a METAFILEPICT.
struct STGMEDIUM
{
    DWORD tymed = TYMED_NULL;
    union {
        HBITMAP hBitmap;
        HGLOBAL hMetaFilePict;
        HENHMETAFILE hEnhMetaFile;
        HGLOBAL hGlobal;
    };
    IUnknown* pUnkForRelease = nullptr;
    STGMEDIUM() : hGlobal(nullptr) {}
};

class IUnknown
{
public:
    virtual HRESULT QueryInterface(REFIID Iid, void** Object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

class IEnumFORMATETC : public IUnknown
{
public:
    virtual HRESULT Next(ULONG Count, FORMATETC* Entries, ULONG* Fetched) = 0;
    virtual HRESULT Skip(ULONG Count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFORMATETC** Enum) = 0;

protected:
    ~IEnumFORMATETC() = default;
};

class IDataObject : public IUnknown
{
public:
    virtual HRESULT GetData(const FORMATETC* Format, STGMEDIUM* Medium) = 0;
    virtual HRESULT GetDataHere(const FORMATETC* Format, STGMEDIUM* Medium) = 0;
    virtual HRESULT QueryGetData(const FORMATETC* Format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(const FORMATETC* In, FORMATETC* Out) = 0;
    virtual HRESULT SetData(const FORMATETC* Format, STGMEDIUM* Medium, BOOL Release) = 0;
    virtual HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) = 0;
    virtual HRESULT DAdvise(const FORMATETC* Format, DWORD Flags, IAdviseSink* Sink, DWORD* Connection) = 0;
    virtual HRESULT DUnadvise(DWORD Connection) = 0;
    virtual HRESULT EnumDAdvise(IEnumSTATDATA** Enum) = 0;

protected:
    ~IDataObject() = default;
};

class IDropSource : public IUnknown
{
public:
    virtual HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) = 0;
    virtual HRESULT GiveFeedback(DWORD Effect) = 0;

protected:
    ~IDropSource() = default;
};

class IDropTarget : public IUnknown
{
public:
    virtual HRESULT DragEnter(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD* Effect) = 0;
    virtual HRESULT DragOver(DWORD KeyState, POINTL Point, DWORD* Effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD* Effect) = 0;

protected:
    ~IDropTarget() = default;
};

// Frees what a medium holds (a global block and the metafile of a metafile-picture block, a bitmap,
// palette or enhanced metafile) unless pUnkForRelease owns it, which is released instead; the medium is
// then empty.
void ReleaseStgMedium(STGMEDIUM* Medium);
