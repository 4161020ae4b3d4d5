#include "platform/graphics/Picture.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GifImage.h"
#include "platform/graphics/HeifImage.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/PngImage.h"
#include "platform/graphics/TiffImage.h"
#include "platform/graphics/WebPImage.h"
#include "platform/graphics/codecs/FileSignature.h"
#include "platform/system/Exceptions.h"
#include "platform/system/FileUtils.h"
#include "platform/system/Messages.h"

#include <algorithm>
#include <map>

namespace {

std::map<std::string, TPicture::TGraphicFactory>& FileFormats()
{
    static std::map<std::string, TPicture::TGraphicFactory> Formats{
        {"bmp", [] { return std::unique_ptr<TGraphic>(std::make_unique<TBitmap>()); }},
        {"avif", [] { return std::unique_ptr<TGraphic>(std::make_unique<THeifImage>()); }},
        {"gif", [] { return std::unique_ptr<TGraphic>(std::make_unique<TGifImage>()); }},
        {"heic", [] { return std::unique_ptr<TGraphic>(std::make_unique<THeifImage>()); }},
        {"heif", [] { return std::unique_ptr<TGraphic>(std::make_unique<THeifImage>()); }},
        {"ico", [] { return std::unique_ptr<TGraphic>(std::make_unique<TIcon>()); }},
        {"jpeg", [] { return std::unique_ptr<TGraphic>(std::make_unique<TJPEGImage>()); }},
        {"jpg", [] { return std::unique_ptr<TGraphic>(std::make_unique<TJPEGImage>()); }},
        {"png", [] { return std::unique_ptr<TGraphic>(std::make_unique<TPngImage>()); }},
        {"tif", [] { return std::unique_ptr<TGraphic>(std::make_unique<TTiffImage>()); }},
        {"tiff", [] { return std::unique_ptr<TGraphic>(std::make_unique<TTiffImage>()); }},
        {"webp", [] { return std::unique_ptr<TGraphic>(std::make_unique<TWebPImage>()); }},
        {"emf", [] { return std::unique_ptr<TGraphic>(std::make_unique<TMetafile>()); }},
        {"wmf",
         [] {
             // A new metafile made for ".wmf" saves as a WMF; loading decides by the file's content.
             auto Metafile = std::make_unique<TMetafile>();
             Metafile->SetEnhanced(false);
             return std::unique_ptr<TGraphic>(std::move(Metafile));
         }},
    };
    return Formats;
}

} // namespace

std::string TPicture::ExtensionOf(const std::string& FileName)
{
    std::string Extension = ExtractFileExt(FileName);
    if (!Extension.empty() && Extension.front() == '.') Extension.erase(0, 1);
    std::transform(Extension.begin(), Extension.end(), Extension.begin(),
                   [](unsigned char Letter) { return char(Letter >= 'A' && Letter <= 'Z' ? Letter + 32 : Letter); });
    return Extension;
}

void TPicture::RegisterFileFormat(const std::string& Extension, TGraphicFactory Factory)
{
    FileFormats()[Extension] = std::move(Factory);
}

std::unique_ptr<TGraphic> TPicture::MakeGraphicFor(const std::string& Extension)
{
    const auto Found = FileFormats().find(Extension);
    return Found == FileFormats().end() ? nullptr : Found->second();
}

std::vector<std::string> TPicture::FileExtensions()
{
    std::vector<std::string> Extensions;
    for (const auto& [Extension, Factory] : FileFormats()) Extensions.push_back(Extension);
    return Extensions;
}

void TPicture::Install(std::unique_ptr<TGraphic> Value)
{
    FGraphic = std::move(Value);
    if (FGraphic)
        FGraphic->OnChange = [this] {
            if (OnChange) OnChange();
        };
    if (OnChange) OnChange();
}

void TPicture::SetGraphic(const TGraphic* Value)
{
    Install(Value ? Value->Clone() : nullptr);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value)
{
    Install(std::move(Value));
}

std::unique_ptr<TGraphic> TPicture::ReleaseGraphic()
{
    std::unique_ptr<TGraphic> Graphic = std::move(FGraphic);
    if (Graphic) Graphic->OnChange = nullptr;
    if (OnChange) OnChange();
    return Graphic;
}

TBitmap& TPicture::Bitmap()
{
    if (dynamic_cast<TBitmap*>(FGraphic.get()) == nullptr) Install(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*FGraphic);
}

void TPicture::LoadFromFile(const std::string& FileName)
{
    const std::string Extension = ExtensionOf(FileName);
    const auto UnknownExtension = [&] {
        return EInvalidGraphic(FormatMessage(Messages::SUnknownExtension, Extension.c_str()));
    };
    TLargeBlock File;
    try {
        File = ReadLargeFile(FileName);
    } catch (const EFOpenError&) {
        // A name no format claims is refused as such, as before any file is read.
        if (!MakeGraphicFor(Extension)) throw UnknownExtension();
        throw;
    }
    // Bytes that begin like a format read here are read as that format, whatever the file is called;
    // any other file is read as its extension says.
    const std::string Format = FormatOfContent(File.Bytes());
    auto Graphic = MakeGraphicFor(Format.empty() ? Extension : Format);
    if (!Graphic) throw UnknownExtension();
    Graphic->LoadFromFileBytes(std::move(File));
    Install(std::move(Graphic));
}

void TPicture::SaveToFile(const std::string& FileName) const
{
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
    else
        WriteWholeFile(FileName, std::span<const std::uint8_t>());
}
