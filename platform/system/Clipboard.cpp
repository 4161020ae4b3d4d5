#include "platform/system/Clipboard.h"

#include "platform/system/ClipboardMime.h"
#include "platform/system/GlobalBlocks.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

namespace {

struct TClipboardState
{
    std::vector<std::string> RegisteredNames;
    bool Open = false;
    // True between EmptyClipboard and CloseClipboard: Placed then replaces what the desktop shows.
    bool Owner = false;
    TClipboardMimeData::TEntries Placed;
    // Blocks made from other programs' data, kept until the clipboard's contents change.
    std::map<TClipboardFormat, HGLOBAL> Converted;
    bool WatchingChanges = false;
};

TClipboardState& State()
{
    static TClipboardState Instance;
    return Instance;
}

QClipboard* DesktopClipboard()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
    return QGuiApplication::clipboard();
}

void ForgetConverted()
{
    for (const auto& [Format, Block] : State().Converted) FreeClipboardBlock(Block);
    State().Converted.clear();
}

void WatchChanges(QClipboard& Clipboard)
{
    if (State().WatchingChanges) return;
    State().WatchingChanges = true;
    QObject::connect(&Clipboard, &QClipboard::dataChanged, &Clipboard, [] { ForgetConverted(); });
}

bool SameName(const std::string& Left, const std::string& Right)
{
    return std::equal(Left.begin(), Left.end(), Right.begin(), Right.end(), [](char A, char B) {
        return std::tolower(static_cast<unsigned char>(A)) == std::tolower(static_cast<unsigned char>(B));
    });
}

const TClipboardMimeData* OwnData(const QMimeData* Data)
{
    return dynamic_cast<const TClipboardMimeData*>(Data);
}

HGLOBAL FindPlaced(TClipboardFormat Format)
{
    for (const auto& [Placed, Block] : State().Placed)
        if (Placed == Format ||
            ((Placed == CF_BITMAP || Placed == CF_DIB) && (Format == CF_BITMAP || Format == CF_DIB)))
            return Block;
    return nullptr;
}

} // namespace

TClipboardFormat RegisterClipboardFormat(const std::string& Name)
{
    if (Name.empty()) return 0;
    auto& Names = State().RegisteredNames;
    for (std::size_t Index = 0; Index < Names.size(); ++Index)
        if (SameName(Names[Index], Name)) return TClipboardFormat(FirstRegisteredClipboardFormat + Index);
    if (Names.size() > 0xFFFFu - FirstRegisteredClipboardFormat) return 0;
    Names.push_back(Name);
    return TClipboardFormat(FirstRegisteredClipboardFormat + Names.size() - 1);
}

std::string GetClipboardFormatName(TClipboardFormat Format)
{
    const auto& Names = State().RegisteredNames;
    if (Format < FirstRegisteredClipboardFormat || std::size_t(Format - FirstRegisteredClipboardFormat) >= Names.size())
        return {};
    return Names[Format - FirstRegisteredClipboardFormat];
}

bool OpenClipboard()
{
    if (State().Open || DesktopClipboard() == nullptr) return false;
    State().Open = true;
    return true;
}

bool EmptyClipboard()
{
    if (!State().Open) return false;
    for (const auto& [Format, Block] : State().Placed) FreeClipboardBlock(Block);
    State().Placed.clear();
    State().Owner = true;
    return true;
}

bool SetClipboardData(TClipboardFormat Format, HGLOBAL Block)
{
    TGlobalBlock* Found = FindGlobalBlock(Block);
    if (!State().Open || !State().Owner || Found == nullptr || Found->OwnedByClipboard || Format == 0) return false;
    Found->OwnedByClipboard = true;
    auto& Placed = State().Placed;
    const auto Same =
        std::find_if(Placed.begin(), Placed.end(), [&](const auto& Entry) { return Entry.first == Format; });
    if (Same != Placed.end()) {
        FreeClipboardBlock(Same->second);
        Same->second = Block;
    } else {
        Placed.emplace_back(Format, Block);
    }
    return true;
}

HGLOBAL GetClipboardData(TClipboardFormat Format)
{
    if (!State().Open) return nullptr;
    if (State().Owner) return FindPlaced(Format);
    QClipboard* Clipboard = DesktopClipboard();
    const QMimeData* Data = Clipboard->mimeData();
    if (Data == nullptr) return nullptr;
    if (const TClipboardMimeData* Own = OwnData(Data)) return Own->Find(Format);
    WatchChanges(*Clipboard);
    auto& Converted = State().Converted;
    if (const auto Found = Converted.find(Format); Found != Converted.end()) return Found->second;
    auto Bytes = BytesOfMimeData(*Data, Format);
    if (!Bytes) return nullptr;
    const HGLOBAL Block = NewClipboardBlock(std::move(*Bytes));
    Converted.emplace(Format, Block);
    return Block;
}

bool CloseClipboard()
{
    if (!State().Open) return false;
    State().Open = false;
    if (!State().Owner) return true;
    State().Owner = false;
    QClipboard* Clipboard = DesktopClipboard();
    if (State().Placed.empty()) {
        Clipboard->clear();
        return true;
    }
    // The toolkit owns the published data from here on; it frees the blocks with it.
    auto Published = std::make_unique<TClipboardMimeData>(std::move(State().Placed));
    State().Placed.clear();
    Clipboard->setMimeData(Published.release());
    return true;
}

bool IsClipboardFormatAvailable(TClipboardFormat Format)
{
    const auto Formats = ClipboardFormats();
    return Format != 0 && std::find(Formats.begin(), Formats.end(), Format) != Formats.end();
}

std::vector<TClipboardFormat> ClipboardFormats()
{
    // A bitmap placed under either number is offered under both, as the platform synthesises them.
    const auto WithBitmapPair = [](const TClipboardMimeData::TEntries& Entries) {
        std::vector<TClipboardFormat> Formats;
        const auto Add = [&](TClipboardFormat Format) {
            if (std::find(Formats.begin(), Formats.end(), Format) == Formats.end()) Formats.push_back(Format);
        };
        for (const auto& Entry : Entries) {
            Add(Entry.first);
            if (Entry.first == CF_BITMAP) Add(CF_DIB);
            if (Entry.first == CF_DIB) Add(CF_BITMAP);
        }
        return Formats;
    };
    if (State().Open && State().Owner) return WithBitmapPair(State().Placed);
    const QClipboard* Clipboard = DesktopClipboard();
    const QMimeData* Data = Clipboard == nullptr ? nullptr : Clipboard->mimeData();
    if (Data == nullptr) return {};
    if (const TClipboardMimeData* Own = OwnData(Data)) return WithBitmapPair(Own->Entries());
    return FormatsOfMimeData(*Data);
}

std::vector<std::string> ClipboardFileNames()
{
    const QClipboard* Clipboard = DesktopClipboard();
    const QMimeData* Data = Clipboard == nullptr ? nullptr : Clipboard->mimeData();
    std::vector<std::string> Names;
    if (Data == nullptr || !Data->hasUrls()) return Names;
    for (const QUrl& Url : Data->urls())
        if (Url.isLocalFile()) Names.push_back(Url.toLocalFile().toStdString());
    return Names;
}
