#include "platform/system/ClipboardMime.h"

#include "platform/system/GlobalBlocks.h"
#include "platform/system/PackedDib.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <map>

namespace {

const QString PngType = QStringLiteral("image/png");
const QString BmpType = QStringLiteral("image/bmp");
const QString JpegType = QStringLiteral("image/jpeg");
const QString QtImageType = QStringLiteral("application/x-qt-image");
const QString PrivatePrefix = QStringLiteral("application/x-pixora-");
const QString NumberedPrefix = QStringLiteral("application/x-pixora-format-");
const QString PaletteType = QStringLiteral("application/x-pixora-palette");

std::map<QString, TPictureFileDecoder>& PictureFileTypes()
{
    static std::map<QString, TPictureFileDecoder> Types;
    return Types;
}

bool IsBitmapFormat(TClipboardFormat Format)
{
    return Format == CF_BITMAP || Format == CF_DIB;
}

bool IsJfif(TClipboardFormat Format)
{
    return QString::fromStdString(GetClipboardFormatName(Format)).toUpper() == "JFIF";
}

QStringList MimeTypesOf(TClipboardFormat Format)
{
    switch (Format) {
    case CF_BITMAP:
    case CF_DIB:
        return {PngType, BmpType};
    case CF_ENHMETAFILE:
        return {QStringLiteral("image/x-emf")};
    case CF_METAFILEPICT:
        return {QStringLiteral("image/x-wmf")};
    case CF_PALETTE:
        return {PaletteType};
    default:
        break;
    }
    const std::string Name = GetClipboardFormatName(Format);
    if (Name.empty()) return {NumberedPrefix + QString::number(Format)};
    if (IsJfif(Format)) return {JpegType};
    return {PrivatePrefix + QString::fromStdString(Name)};
}

bool IsDecodableImage(const QString& MimeType)
{
    if (MimeType == QtImageType) return true;
    static const QList<QByteArray> Decodable = QImageReader::supportedMimeTypes();
    return Decodable.contains(MimeType.toUtf8());
}

// The format another program's MIME type arrives as; 0 for types that carry no format. Images the
// toolkit decodes (other than JPEG, which keeps its compressed bytes) arrive as bitmaps.
TClipboardFormat FormatOfMimeType(const QString& MimeType)
{
    if (MimeType == BmpType || MimeType == "image/x-bmp" || MimeType == "image/x-ms-bmp") return CF_DIB;
    if (MimeType == "image/x-emf" || MimeType == "image/emf") return CF_ENHMETAFILE;
    if (MimeType == "image/x-wmf" || MimeType == "image/wmf") return CF_METAFILEPICT;
    if (MimeType == JpegType) return RegisterClipboardFormat("JFIF");
    if (MimeType == PaletteType) return CF_PALETTE;
    if (MimeType.startsWith(NumberedPrefix)) return TClipboardFormat(MimeType.mid(NumberedPrefix.size()).toUInt());
    if (MimeType.startsWith(PrivatePrefix))
        return RegisterClipboardFormat(MimeType.mid(PrivatePrefix.size()).toStdString());
    if (PictureFileTypes().contains(MimeType) || IsDecodableImage(MimeType)) return CF_DIB;
    return 0;
}

std::vector<std::uint8_t> ToBytes(const QByteArray& Bytes)
{
    return std::vector<std::uint8_t>(Bytes.begin(), Bytes.end());
}

} // namespace

std::optional<std::vector<std::uint8_t>> PackedDibOfImage(QImage Image)
{
    if (Image.isNull()) return std::nullopt;
    if (Image.hasAlphaChannel()) {
        QImage Opaque(Image.size(), QImage::Format_RGB32);
        Opaque.fill(Qt::white);
        QPainter Painter(&Opaque);
        Painter.drawImage(0, 0, Image);
        Painter.end();
        Image = std::move(Opaque);
    }
    QByteArray File;
    QBuffer Buffer(&File);
    Buffer.open(QIODevice::WriteOnly);
    QImageWriter Writer(&Buffer, "bmp");
    if (!Writer.write(Image)) return std::nullopt;
    const auto* First = reinterpret_cast<const std::uint8_t*>(File.constData());
    return PackedDibOfBmpFile(std::span(First, std::size_t(File.size())));
}

namespace {

std::optional<std::vector<std::uint8_t>> BitmapOfMimeType(const QMimeData& Data, const QString& MimeType)
{
    if (MimeType == QtImageType) return PackedDibOfImage(qvariant_cast<QImage>(Data.imageData()));
    const QByteArray Bytes = Data.data(MimeType);
    const std::span File(reinterpret_cast<const std::uint8_t*>(Bytes.constData()), std::size_t(Bytes.size()));
    if (MimeType == BmpType || MimeType == "image/x-bmp" || MimeType == "image/x-ms-bmp") {
        if (auto Dib = PackedDibOfBmpFile(File)) return Dib;
    }
    if (const auto Found = PictureFileTypes().find(MimeType); Found != PictureFileTypes().end()) {
        if (auto Dib = Found->second(File)) return Dib;
    }
    return PackedDibOfImage(QImage::fromData(Bytes));
}

TClipboardPngRenderer& PngRenderer()
{
    static TClipboardPngRenderer Renderer;
    return Renderer;
}

QByteArray BytesOfBlock(HGLOBAL Block)
{
    const TGlobalBlock* Found = FindGlobalBlock(Block);
    if (Found == nullptr) return {};
    return QByteArray(reinterpret_cast<const char*>(Found->Bytes.data()), qsizetype(Found->Bytes.size()));
}

// The BMP file of a packed DIB.
QByteArray BmpFileOf(const QByteArray& Dib)
{
    const auto* First = reinterpret_cast<const std::uint8_t*>(Dib.constData());
    const std::vector<std::uint8_t> File = BmpFileOfPackedDib(std::span(First, std::size_t(Dib.size())));
    return QByteArray(reinterpret_cast<const char*>(File.data()), qsizetype(File.size()));
}

} // namespace

void SetClipboardPngRenderer(TClipboardPngRenderer Renderer)
{
    PngRenderer() = std::move(Renderer);
}

TClipboardMimeData::TClipboardMimeData(TEntries Entries) : FEntries(std::move(Entries)), FRenderer(PngRenderer())
{}

TClipboardMimeData::~TClipboardMimeData()
{
    for (const auto& [Format, Block] : FEntries) FreeClipboardBlock(Block);
}

HGLOBAL TClipboardMimeData::Find(TClipboardFormat Format) const
{
    for (const auto& [Placed, Block] : FEntries)
        if (Placed == Format || (IsBitmapFormat(Placed) && IsBitmapFormat(Format))) return Block;
    return nullptr;
}

QStringList TClipboardMimeData::formats() const
{
    QStringList Types;
    for (const auto& Entry : FEntries)
        for (const QString& Type : MimeTypesOf(Entry.first))
            if (!Types.contains(Type)) Types.append(Type);
    if (!Types.contains(PngType) && FindDrawable()) Types.append(PngType);
    return Types;
}

bool TClipboardMimeData::hasFormat(const QString& MimeType) const
{
    return formats().contains(MimeType);
}

const TClipboardMimeData::TEntries::value_type* TClipboardMimeData::FindDrawable() const
{
    for (const auto& Entry : FEntries)
        if (IsBitmapFormat(Entry.first) || (FRenderer.Draws && FRenderer.Draws(Entry.first))) return &Entry;
    return nullptr;
}

QVariant TClipboardMimeData::retrieveData(const QString& MimeType, QMetaType) const
{
    // PNG costs a compression of the whole picture, so it is made only when a reader asks.
    if (MimeType == PngType) {
        const auto* Drawable = FindDrawable();
        if (Drawable == nullptr) return {};
        if (!FPng) FPng = PngOf(*Drawable);
        return *FPng;
    }
    for (const auto& [Format, Block] : FEntries) {
        if (!MimeTypesOf(Format).contains(MimeType)) continue;
        const QByteArray Bytes = BytesOfBlock(Block);
        if (!IsBitmapFormat(Format)) return Bytes;
        return BmpFileOf(Bytes);
    }
    return {};
}

QByteArray TClipboardMimeData::PngOf(const TEntries::value_type& Entry) const
{
    const QByteArray Bytes = BytesOfBlock(Entry.second);
    QByteArray Png;
    if (FRenderer.Draws && FRenderer.Draws(Entry.first)) {
        const auto* First = reinterpret_cast<const std::uint8_t*>(Bytes.constData());
        const std::vector<std::uint8_t> File =
            FRenderer.Render(Entry.first, std::span(First, std::size_t(Bytes.size())));
        Png = QByteArray(reinterpret_cast<const char*>(File.data()), qsizetype(File.size()));
    } else {
        // A bitmap without a renderer: the toolkit's encoder.
        QBuffer Buffer(&Png);
        Buffer.open(QIODevice::WriteOnly);
        QImage::fromData(BmpFileOf(Bytes), "BMP").save(&Buffer, "PNG");
    }
    return Png;
}

std::vector<TClipboardFormat> FormatsOfMimeData(const QMimeData& Data)
{
    std::vector<TClipboardFormat> Formats;
    const auto Add = [&](TClipboardFormat Format) {
        if (std::find(Formats.begin(), Formats.end(), Format) == Formats.end()) Formats.push_back(Format);
    };
    for (const QString& Type : Data.formats()) {
        const TClipboardFormat Format = FormatOfMimeType(Type);
        if (Format == 0) continue;
        // Programs that offer a picture in several types list the one they hold first; a JPEG listed
        // after a lossless type is a recompression of it, which would lose detail if pasted as JPEG.
        if (Type == JpegType && std::find(Formats.begin(), Formats.end(), CF_BITMAP) != Formats.end()) continue;
        if (IsBitmapFormat(Format)) {
            Add(CF_BITMAP);
            Add(CF_DIB);
        } else {
            Add(Format);
        }
    }
    return Formats;
}

std::optional<std::vector<std::uint8_t>> BytesOfMimeData(const QMimeData& Data, TClipboardFormat Format)
{
    const std::vector<TClipboardFormat> Available = FormatsOfMimeData(Data);
    if (std::find(Available.begin(), Available.end(), Format) == Available.end()) return std::nullopt;
    for (const QString& Type : Data.formats()) {
        const TClipboardFormat Offered = FormatOfMimeType(Type);
        if (Offered == 0) continue;
        if (IsBitmapFormat(Format) && IsBitmapFormat(Offered)) {
            if (auto Dib = BitmapOfMimeType(Data, Type)) return Dib;
        } else if (Offered == Format) {
            return ToBytes(Data.data(Type));
        }
    }
    return std::nullopt;
}

void RegisterPictureFileType(const std::string& MimeType, TPictureFileDecoder Decoder)
{
    PictureFileTypes()[QString::fromStdString(MimeType)] = std::move(Decoder);
}
