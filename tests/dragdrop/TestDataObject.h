#pragma once
// A data object of the tests' own: it offers the pairs it is given and serves each through a function
// that makes the medium, counting the requests.

#include "platform/system/ObjectInterfaces.h"

#include <functional>
#include <vector>

class TTestDataObject final : public IDataObject
{
public:
    using TMaker = std::function<STGMEDIUM()>;
    struct TOffer
    {
        TClipboardFormat Format;
        DWORD Medium;
        TMaker Make;
    };

    void Offer(TClipboardFormat Format, DWORD Medium, TMaker Make)
    {
        FOffers.push_back({Format, Medium, std::move(Make)});
    }
    int Requests() const { return FRequests; }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++FReferences; }
    ULONG Release() override { return --FReferences; }
    ULONG References() const { return FReferences; }

    HRESULT GetData(const FORMATETC* Format, STGMEDIUM* Medium) override
    {
        ++FRequests;
        for (const TOffer& Offer : FOffers)
            if (Offer.Format == Format->cfFormat && (Offer.Medium & Format->tymed) != 0) {
                *Medium = Offer.Make();
                return Medium->hGlobal != nullptr ? S_OK : E_OUTOFMEMORY;
            }
        return DV_E_FORMATETC;
    }
    HRESULT QueryGetData(const FORMATETC* Format) override
    {
        for (const TOffer& Offer : FOffers)
            if (Offer.Format == Format->cfFormat && (Offer.Medium & Format->tymed) != 0) return S_OK;
        return DV_E_FORMATETC;
    }
    HRESULT GetDataHere(const FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT GetCanonicalFormatEtc(const FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT SetData(const FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT DAdvise(const FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::vector<TOffer> FOffers;
    int FRequests = 0;
    ULONG FReferences = 1;
};

// A medium of Kind holding Handle.
inline STGMEDIUM MediumOf(DWORD Kind, void* Handle)
{
    STGMEDIUM Medium;
    Medium.tymed = Kind;
    Medium.hGlobal = static_cast<HGLOBAL>(Handle);
    return Medium;
}
