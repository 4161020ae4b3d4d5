#include "platform/system/DragMimeData.h"

#include "platform/system/ClipboardMime.h"
#include "platform/system/MetafilePictRecord.h"
#include "platform/system/PackedDib.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

const QString PngType = QStringLiteral("image/png");
const QString BmpType = QStringLiteral("image/bmp");
const QString EmfType = QStringLiteral("image/x-emf");
const QString UriListType = QStringLiteral("text/uri-list");
const QString MediumPrefix = QStringLiteral("application/x-pixora-medium-");
constexpr DWORD Media[] = {TYMED_HGLOBAL, TYMED_GDI, TYMED_MFPICT, TYMED_ENHMF};
// A metafile picture travels as its mapping mode and extent, then the metafile's bits.
constexpr std::size_t MetafilePictHeaderSize = 12;

TDragRenderers& Renderers()
{
    static TDragRenderers Instance;
    return Instance;
}

QTemporaryDir& TemporaryFolder()
{
    static QTemporaryDir Folder(QDir::tempPath() + QStringLiteral("/pixora-drag-XXXXXX"));
    return Folder;
}

QByteArray ToByteArray(std::span<const std::uint8_t> Bytes)
{
    return QByteArray(reinterpret_cast<const char*>(Bytes.data()), qsizetype(Bytes.size()));
}

std::span<const std::uint8_t> SpanOf(const QByteArray& Bytes)
{
    return std::span(reinterpret_cast<const std::uint8_t*>(Bytes.constData()), std::size_t(Bytes.size()));
}

QByteArray BlockBytes(HGLOBAL Block)
{
    const std::size_t Size = GlobalSize(Block);
    const void* First = GlobalLock(Block);
    if (First == nullptr) return {};
    QByteArray Bytes(static_cast<const char*>(First), qsizetype(Size));
    GlobalUnlock(Block);
    return Bytes;
}

QString MediumType(TClipboardFormat Format, DWORD Medium)
{
    return MediumPrefix + QString::number(Format) + '-' + QString::number(Medium);
}

// The pair a private MIME type names; nothing for other types.
std::optional<FORMATETC> PairOfType(const QString& MimeType)
{
    if (!MimeType.startsWith(MediumPrefix)) return std::nullopt;
    const QStringList Parts = MimeType.mid(MediumPrefix.size()).split('-');
    bool FormatOk = false;
    bool MediumOk = false;
    FORMATETC Pair;
    if (Parts.size() != 2) return std::nullopt;
    const uint Format = Parts[0].toUInt(&FormatOk);
    Pair.tymed = Parts[1].toUInt(&MediumOk);
    if (!FormatOk || !MediumOk || Format == 0 || Format > 0xFFFF ||
        std::find(std::begin(Media), std::end(Media), Pair.tymed) == std::end(Media))
        return std::nullopt;
    Pair.cfFormat = TClipboardFormat(Format);
    return Pair;
}

bool IsMetafilePict(TClipboardFormat Format, DWORD Medium)
{
    return Format == CF_METAFILEPICT && (Medium == TYMED_MFPICT || Medium == TYMED_HGLOBAL);
}

// The bytes a medium of Format travels as to another copy of this program.
QByteArray SerializedMedium(TClipboardFormat Format, const STGMEDIUM& Medium)
{
    if (Format == CF_ENHMETAFILE) return ToByteArray(GdiObjectBytes(Medium.hEnhMetaFile, gdiEnhMetafile));
    if (Medium.tymed == TYMED_GDI)
        return ToByteArray(GdiObjectBytes(Medium.hBitmap, Format == CF_PALETTE ? gdiPalette : gdiBitmap));
    if (!IsMetafilePict(Format, Medium.tymed)) return BlockBytes(Medium.hGlobal);
    METAFILEPICT Picture;
    const QByteArray Record = BlockBytes(Medium.hMetaFilePict);
    if (std::size_t(Record.size()) < sizeof Picture) return {};
    std::memcpy(&Picture, Record.constData(), sizeof Picture);
    const QByteArray Bits = BlockBytes(Picture.hMF);
    if (Bits.isEmpty()) return {};
    QByteArray Bytes(MetafilePictHeaderSize, '\0');
    std::memcpy(Bytes.data(), &Picture.mm, 4);
    std::memcpy(Bytes.data() + 4, &Picture.xExt, 4);
    std::memcpy(Bytes.data() + 8, &Picture.yExt, 4);
    return Bytes + Bits;
}

// A metafile-picture block of the bits of a Windows-format metafile; nullptr for no bits.
HGLOBAL NewMetafilePict(std::int32_t Mode, std::int32_t Width, std::int32_t Height, std::span<const std::uint8_t> Bits)
{
    const HMETAFILE Metafile = GlobalAllocCopy(Bits.data(), Bits.size());
    if (Metafile == nullptr) return nullptr;
    return NewMetafilePictRecord(Mode, Width, Height, Metafile);
}

// The medium of Pair made from the bytes another copy of this program sent; an empty medium for bytes
// that make none.
STGMEDIUM DeserializedMedium(const FORMATETC& Pair, const QByteArray& Bytes)
{
    STGMEDIUM Medium;
    const std::span<const std::uint8_t> Span = SpanOf(Bytes);
    if (Pair.cfFormat == CF_ENHMETAFILE) {
        Medium.hEnhMetaFile = CreateGdiObject(gdiEnhMetafile, {Span.begin(), Span.end()});
    } else if (Pair.tymed == TYMED_GDI) {
        Medium.hBitmap =
            CreateGdiObject(Pair.cfFormat == CF_PALETTE ? gdiPalette : gdiBitmap, {Span.begin(), Span.end()});
    } else if (IsMetafilePict(Pair.cfFormat, Pair.tymed)) {
        if (Span.size() <= MetafilePictHeaderSize) return Medium;
        std::int32_t Header[3];
        std::memcpy(Header, Span.data(), sizeof Header);
        Medium.hMetaFilePict = NewMetafilePict(Header[0], Header[1], Header[2], Span.subspan(MetafilePictHeaderSize));
    } else {
        Medium.hGlobal = GlobalAllocCopy(Span.data(), Span.size());
    }
    if (Medium.hGlobal != nullptr) Medium.tymed = Pair.tymed;
    return Medium;
}

// The bytes of Format in Medium asked of DataObject; empty when it does not serve it.
QByteArray Rendered(IDataObject* DataObject, TClipboardFormat Format, DWORD Medium)
{
    FORMATETC Pair;
    Pair.cfFormat = Format;
    Pair.tymed = Medium;
    STGMEDIUM Served;
    if (DataObject->GetData(&Pair, &Served) != S_OK) return {};
    QByteArray Bytes = SerializedMedium(Format, Served);
    ReleaseStgMedium(&Served);
    return Bytes;
}

std::vector<FORMATETC> EnumeratedFormats(IDataObject* DataObject)
{
    std::vector<FORMATETC> Formats;
    IEnumFORMATETC* Enum = nullptr;
    if (DataObject->EnumFormatEtc(DATADIR_GET, &Enum) != S_OK || Enum == nullptr) return Formats;
    FORMATETC Entry;
    ULONG Fetched = 0;
    while (Enum->Next(1, &Entry, &Fetched) == S_OK && Fetched == 1) Formats.push_back(Entry);
    Enum->Release();
    return Formats;
}

bool Offers(const std::vector<FORMATETC>& Formats, TClipboardFormat Format)
{
    return std::any_of(Formats.begin(), Formats.end(),
                       [&](const FORMATETC& Entry) { return Entry.cfFormat == Format; });
}

// Reads a placeable WMF header's extent in 0.01 mm and strips the header; plain WMF bits are left as
// they are with no extent.
HGLOBAL MetafilePictOfWmfFile(std::span<const std::uint8_t> File)
{
    constexpr std::size_t PlaceableSize = 22;
    constexpr std::uint8_t PlaceableKey[] = {0xD7, 0xCD, 0xC6, 0x9A};
    if (File.size() > PlaceableSize && std::equal(std::begin(PlaceableKey), std::end(PlaceableKey), File.begin())) {
        const auto Word = [&](std::size_t Offset) { return std::int16_t(File[Offset] | File[Offset + 1] << 8); };
        const int Inch = std::uint16_t(Word(14));
        const int Width = Inch == 0 ? 0 : (Word(10) - Word(6)) * 2540 / Inch;
        const int Height = Inch == 0 ? 0 : (Word(12) - Word(8)) * 2540 / Inch;
        return NewMetafilePict(MM_ANISOTROPIC, Width, Height, File.subspan(PlaceableSize));
    }
    return NewMetafilePict(MM_ANISOTROPIC, 0, 0, File);
}

// A data object reading another program's drag data.
class TMimeDataObject final : public IDataObject
{
public:
    explicit TMimeDataObject(const QMimeData* Data);

    HRESULT QueryInterface(REFIID Iid, void** Object) override
    {
        if (Object == nullptr) return E_INVALIDARG;
        *Object = nullptr;
        if (Iid != IID_IUnknown && Iid != IID_IDataObject) return E_NOINTERFACE;
        *Object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++FReferences; }
    ULONG Release() override
    {
        const ULONG Count = --FReferences;
        if (Count == 0) delete this;
        return Count;
    }
    HRESULT GetData(const FORMATETC* Format, STGMEDIUM* Medium) override;
    HRESULT GetDataHere(const FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC* Format) override
    {
        return Format != nullptr && Find(*Format) != nullptr ? S_OK : DV_E_FORMATETC;
    }
    HRESULT GetCanonicalFormatEtc(const FORMATETC*, FORMATETC*) override { return DATA_S_SAMEFORMATETC; }
    HRESULT SetData(const FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    // Readers of drags ask for the formats they take; the enumeration of a foreign drag is not offered.
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC** Enum) override
    {
        if (Enum != nullptr) *Enum = nullptr;
        return E_NOTIMPL;
    }
    HRESULT DAdvise(const FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA** Enum) override
    {
        if (Enum != nullptr) *Enum = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    struct TOffer
    {
        FORMATETC Pair;
        QString MimeType; // the private type of a pair of this program, else empty
    };
    ~TMimeDataObject() = default;
    const TOffer* Find(const FORMATETC& Format) const;
    void Add(TClipboardFormat Format, DWORD Medium, const QString& MimeType = {});
    STGMEDIUM Render(const TOffer& Offer) const;

    std::atomic<ULONG> FReferences{1};
    QPointer<const QMimeData> FData;
    std::vector<TOffer> FOffers;
};

void TMimeDataObject::Add(TClipboardFormat Format, DWORD Medium, const QString& MimeType)
{
    FORMATETC Pair;
    Pair.cfFormat = Format;
    Pair.tymed = Medium;
    FOffers.push_back({Pair, MimeType});
}

TMimeDataObject::TMimeDataObject(const QMimeData* Data) : FData(Data)
{
    const QStringList Types = Data->formats();
    for (const QString& Type : Types)
        if (const auto Pair = PairOfType(Type)) Add(Pair->cfFormat, Pair->tymed, Type);
    if (!FOffers.empty()) return;
    const TClipboardFormat Jfif = RegisterClipboardFormat("JFIF");
    for (const TClipboardFormat Format : FormatsOfMimeData(*Data)) {
        if (Format == CF_DIB ||
            (Format == Jfif && Find(FORMATETC{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}) == nullptr))
            Add(CF_DIB, TYMED_HGLOBAL);
        else if (Format == CF_ENHMETAFILE)
            Add(CF_ENHMETAFILE, TYMED_ENHMF);
        else if (Format == CF_METAFILEPICT)
            Add(CF_METAFILEPICT, TYMED_MFPICT);
    }
    if (Data->hasUrls()) Add(CF_HDROP, TYMED_HGLOBAL);
}

const TMimeDataObject::TOffer* TMimeDataObject::Find(const FORMATETC& Format) const
{
    for (const TOffer& Offer : FOffers)
        if (Offer.Pair.cfFormat == Format.cfFormat && Format.dwAspect == DVASPECT_CONTENT &&
            (Offer.Pair.tymed & Format.tymed) != 0)
            return &Offer;
    return nullptr;
}

HRESULT TMimeDataObject::GetData(const FORMATETC* Format, STGMEDIUM* Medium)
{
    if (Format == nullptr || Medium == nullptr) return E_INVALIDARG;
    *Medium = STGMEDIUM();
    const TOffer* Offer = Find(*Format);
    if (Offer == nullptr) return DV_E_FORMATETC;
    if (FData.isNull()) return E_FAIL;
    *Medium = Render(*Offer);
    return Medium->tymed == TYMED_NULL ? E_FAIL : S_OK;
}

STGMEDIUM TMimeDataObject::Render(const TOffer& Offer) const
{
    if (!Offer.MimeType.isEmpty()) return DeserializedMedium(Offer.Pair, FData->data(Offer.MimeType));
    STGMEDIUM Medium;
    switch (Offer.Pair.cfFormat) {
    case CF_DIB: {
        auto Dib = BytesOfMimeData(*FData, CF_DIB);
        if (!Dib) {
            const auto Jpeg = BytesOfMimeData(*FData, RegisterClipboardFormat("JFIF"));
            if (Jpeg) Dib = PackedDibOfImage(QImage::fromData(Jpeg->data(), int(Jpeg->size())));
        }
        if (Dib) Medium.hGlobal = GlobalAllocFrom(std::move(*Dib));
        break;
    }
    case CF_ENHMETAFILE:
        if (auto Emf = BytesOfMimeData(*FData, CF_ENHMETAFILE))
            Medium.hEnhMetaFile = CreateGdiObject(gdiEnhMetafile, std::move(*Emf));
        break;
    case CF_METAFILEPICT:
        if (const auto Wmf = BytesOfMimeData(*FData, CF_METAFILEPICT))
            Medium.hMetaFilePict = MetafilePictOfWmfFile(*Wmf);
        break;
    case CF_HDROP: {
        std::vector<std::string> Files;
        for (const QUrl& Url : FData->urls())
            if (Url.isLocalFile()) Files.push_back(Url.toLocalFile().toStdString());
        Medium.hGlobal = NewDropFilesBlock(Files);
        break;
    }
    default:
        break;
    }
    if (Medium.hGlobal != nullptr) Medium.tymed = Offer.Pair.tymed;
    return Medium;
}

} // namespace

void SetDragRenderers(TDragRenderers Value)
{
    Renderers() = std::move(Value);
}

TDataObjectMimeData::TDataObjectMimeData(IDataObject* DataObject) : FDataObject(DataObject)
{
    FDataObject->AddRef();
    FFormats = EnumeratedFormats(DataObject);
    const bool Bitmap = Offers(FFormats, CF_DIB) || Offers(FFormats, CF_BITMAP);
    const bool Metafile = Offers(FFormats, CF_ENHMETAFILE);
    if (Bitmap || (Metafile && Renderers().DibOfEmf)) FTypes << PngType << BmpType;
    if (Metafile) FTypes << EmfType;
    if (Bitmap || Metafile) FTypes << UriListType;
    for (const FORMATETC& Format : FFormats)
        for (const DWORD Medium : Media)
            if ((Format.tymed & Medium) != 0 && !FTypes.contains(MediumType(Format.cfFormat, Medium)))
                FTypes << MediumType(Format.cfFormat, Medium);
}

TDataObjectMimeData::~TDataObjectMimeData()
{
    FDataObject->Release();
}

QStringList TDataObjectMimeData::formats() const
{
    return FTypes;
}

bool TDataObjectMimeData::hasFormat(const QString& MimeType) const
{
    return FTypes.contains(MimeType);
}

QByteArray TDataObjectMimeData::PackedDib() const
{
    if (QByteArray Dib = Rendered(FDataObject, CF_DIB, TYMED_HGLOBAL); !Dib.isEmpty()) return Dib;
    if (QByteArray Dib = Rendered(FDataObject, CF_BITMAP, TYMED_GDI); !Dib.isEmpty()) return Dib;
    const QByteArray Emf = EnhancedMetafile();
    if (Emf.isEmpty() || !Renderers().DibOfEmf) return {};
    const auto Dib = Renderers().DibOfEmf(SpanOf(Emf));
    return Dib ? ToByteArray(*Dib) : QByteArray();
}

QByteArray TDataObjectMimeData::EnhancedMetafile() const
{
    if (QByteArray Emf = Rendered(FDataObject, CF_ENHMETAFILE, TYMED_ENHMF); !Emf.isEmpty()) return Emf;
    return Rendered(FDataObject, CF_ENHMETAFILE, TYMED_HGLOBAL);
}

QByteArray TDataObjectMimeData::TemporaryFileUrl() const
{
    if (FTemporaryFile.empty() && TemporaryFolder().isValid()) {
        static std::atomic<int> Serial{0};
        const bool Metafile = Offers(FFormats, CF_ENHMETAFILE);
        const QByteArray Bytes = Metafile ? EnhancedMetafile() : retrieveData(PngType, QMetaType()).toByteArray();
        const QString Name =
            TemporaryFolder().filePath(QStringLiteral("Pixora-%1.%2").arg(++Serial).arg(Metafile ? "emf" : "png"));
        QFile File(Name);
        if (Bytes.isEmpty() || !File.open(QIODevice::WriteOnly) || File.write(Bytes) != Bytes.size()) return {};
        FTemporaryFile = Name.toStdString();
    }
    if (FTemporaryFile.empty()) return {};
    return QUrl::fromLocalFile(QString::fromStdString(FTemporaryFile)).toEncoded() + "\r\n";
}

QVariant TDataObjectMimeData::retrieveData(const QString& MimeType, QMetaType) const
{
    if (const auto Pair = PairOfType(MimeType)) return Rendered(FDataObject, Pair->cfFormat, Pair->tymed);
    if (MimeType == EmfType) return EnhancedMetafile();
    if (MimeType == UriListType) return TemporaryFileUrl();
    if (MimeType != PngType && MimeType != BmpType) return {};
    const QByteArray Dib = PackedDib();
    if (Dib.isEmpty()) return {};
    if (MimeType == PngType && Renderers().PngOfDib) return ToByteArray(Renderers().PngOfDib(SpanOf(Dib)));
    const QByteArray Bmp = ToByteArray(BmpFileOfPackedDib(SpanOf(Dib)));
    if (MimeType == BmpType) return Bmp;
    QByteArray Png;
    QBuffer Buffer(&Png);
    Buffer.open(QIODevice::WriteOnly);
    QImage::fromData(Bmp, "BMP").save(&Buffer, "PNG");
    return Png;
}

IDataObject* DataObjectOfMimeData(const QMimeData* Data)
{
    if (Data == nullptr) return nullptr;
    if (const auto* Own = dynamic_cast<const TDataObjectMimeData*>(Data)) {
        Own->DataObject()->AddRef();
        return Own->DataObject();
    }
    return new TMimeDataObject(Data);
}

void RemoveDragTemporaryFiles()
{
    QTemporaryDir& Folder = TemporaryFolder();
    if (!Folder.isValid()) return;
    for (const QString& Name : QDir(Folder.path()).entryList(QDir::Files)) QFile::remove(Folder.filePath(Name));
}

HGLOBAL NewDropFilesBlock(const std::vector<std::string>& Files)
{
    // DROPFILES: offset of the names, the drop point, a non-client flag and a wide-character flag; then
    // the names, each ended by a zero byte, and one more zero byte. The names are UTF-8, not wide.
    constexpr std::uint32_t HeaderSize = 20;
    std::vector<std::uint8_t> Bytes(HeaderSize, 0);
    Bytes[0] = HeaderSize;
    for (const std::string& File : Files) {
        Bytes.insert(Bytes.end(), File.begin(), File.end());
        Bytes.push_back(0);
    }
    Bytes.push_back(0);
    return GlobalAllocCopy(Bytes.data(), Bytes.size());
}

std::vector<std::string> DropFilesNames(HGLOBAL Block)
{
    std::vector<std::string> Names;
    const std::size_t Size = GlobalSize(Block);
    const auto* First = static_cast<const std::uint8_t*>(GlobalLock(Block));
    if (First == nullptr) return Names;
    std::uint32_t Offset = 0;
    if (Size >= 20) std::memcpy(&Offset, First, 4);
    if (Size >= 20 && Offset >= 20 && Offset < Size) {
        const auto* End = First + Size;
        for (const auto* Name = First + Offset; Name < End && *Name != 0;) {
            const auto* Stop = std::find(Name, End, std::uint8_t(0));
            Names.emplace_back(Name, Stop);
            Name = Stop + (Stop < End ? 1 : 0);
        }
    }
    GlobalUnlock(Block);
    return Names;
}
