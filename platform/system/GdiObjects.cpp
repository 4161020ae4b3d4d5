#include "platform/system/GdiObjects.h"

#include <memory>
#include <unordered_map>

struct TGdiObject
{
    TGdiObjectKind Kind;
    std::vector<std::uint8_t> Bytes;
};

namespace {

std::unordered_map<HGDIOBJ, std::unique_ptr<TGdiObject>>& Objects()
{
    static std::unordered_map<HGDIOBJ, std::unique_ptr<TGdiObject>> Table;
    return Table;
}

TGdiObject* Find(HGDIOBJ Object)
{
    if (Object == nullptr) return nullptr;
    const auto Found = Objects().find(Object);
    return Found == Objects().end() ? nullptr : Found->second.get();
}

bool Delete(HGDIOBJ Object, bool Metafile)
{
    const TGdiObject* Found = Find(Object);
    if (Found == nullptr || (Found->Kind == gdiEnhMetafile) != Metafile) return false;
    Objects().erase(Object);
    return true;
}

} // namespace

HGDIOBJ CreateGdiObject(TGdiObjectKind Kind, std::vector<std::uint8_t> Bytes)
{
    if (Bytes.empty()) return nullptr;
    auto Object = std::make_unique<TGdiObject>(TGdiObject{Kind, std::move(Bytes)});
    const HGDIOBJ Handle = Object.get();
    Objects().emplace(Handle, std::move(Object));
    return Handle;
}

std::span<const std::uint8_t> GdiObjectBytes(HGDIOBJ Object, TGdiObjectKind Kind)
{
    const TGdiObject* Found = Find(Object);
    if (Found == nullptr || Found->Kind != Kind) return {};
    return Found->Bytes;
}

bool IsGdiObject(HGDIOBJ Object, TGdiObjectKind Kind)
{
    const TGdiObject* Found = Find(Object);
    return Found != nullptr && Found->Kind == Kind;
}

bool DeleteObject(HGDIOBJ Object)
{
    return Delete(Object, false);
}

bool DeleteEnhMetaFile(HENHMETAFILE Metafile)
{
    return Delete(Metafile, true);
}
