#include "platform/system/GlobalBlocks.h"

#include <memory>
#include <unordered_map>

namespace {

struct TBlockTable
{
    TBlockTable();
    ~TBlockTable();
    std::unordered_map<HGLOBAL, std::unique_ptr<TGlobalBlock>> Blocks;
};

// False once the table is destroyed: the toolkit may free the clipboard's data later in the exit.
constinit bool TableAlive = false;

TBlockTable::TBlockTable()
{
    TableAlive = true;
}
TBlockTable::~TBlockTable()
{
    TableAlive = false;
}

TBlockTable& Table()
{
    static TBlockTable Instance;
    return Instance;
}

HGLOBAL Insert(std::unique_ptr<TGlobalBlock> Block)
{
    const HGLOBAL Handle = Block.get();
    Table().Blocks.emplace(Handle, std::move(Block));
    return Handle;
}

} // namespace

TGlobalBlock* FindGlobalBlock(HGLOBAL Block)
{
    if (Block == nullptr || !TableAlive) return nullptr;
    const auto Found = Table().Blocks.find(Block);
    return Found == Table().Blocks.end() ? nullptr : Found->second.get();
}

HGLOBAL NewClipboardBlock(std::vector<std::uint8_t> Bytes)
{
    auto Block = std::make_unique<TGlobalBlock>();
    Block->Bytes = std::move(Bytes);
    Block->OwnedByClipboard = true;
    return Insert(std::move(Block));
}

void FreeClipboardBlock(HGLOBAL Block)
{
    if (TableAlive) Table().Blocks.erase(Block);
}

HGLOBAL GlobalAlloc(std::size_t Size)
{
    auto Block = std::make_unique<TGlobalBlock>();
    Block->Bytes.resize(Size);
    return Insert(std::move(Block));
}

HGLOBAL GlobalAllocCopy(const void* Bytes, std::size_t Size)
{
    const auto* First = static_cast<const std::uint8_t*>(Bytes);
    return Size == 0 ? nullptr : GlobalAllocFrom(std::vector<std::uint8_t>(First, First + Size));
}

HGLOBAL GlobalAllocFrom(std::vector<std::uint8_t> Bytes)
{
    if (Bytes.empty()) return nullptr;
    auto Block = std::make_unique<TGlobalBlock>();
    Block->Bytes = std::move(Bytes);
    return Insert(std::move(Block));
}

void* GlobalLock(HGLOBAL Block)
{
    TGlobalBlock* Found = FindGlobalBlock(Block);
    if (Found == nullptr || Found->Bytes.empty()) return nullptr;
    ++Found->Locks;
    return Found->Bytes.data();
}

bool GlobalUnlock(HGLOBAL Block)
{
    TGlobalBlock* Found = FindGlobalBlock(Block);
    if (Found == nullptr || Found->Locks == 0) return false;
    return --Found->Locks > 0;
}

std::size_t GlobalSize(HGLOBAL Block)
{
    const TGlobalBlock* Found = FindGlobalBlock(Block);
    return Found == nullptr ? 0 : Found->Bytes.size();
}

HGLOBAL GlobalFree(HGLOBAL Block)
{
    const TGlobalBlock* Found = FindGlobalBlock(Block);
    if (Found == nullptr || Found->OwnedByClipboard) return Block;
    const HGLOBAL Companion = Found->Companion;
    Table().Blocks.erase(Block);
    if (Companion != nullptr) GlobalFree(Companion);
    return nullptr;
}
