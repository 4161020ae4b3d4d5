#pragma once
// The table behind the movable memory blocks of Clipboard.h, for the clipboard's own use: it hands out
// blocks it owns and frees the ones its data no longer needs.

#include "platform/system/Clipboard.h"

#include <cstdint>
#include <vector>

struct TGlobalBlock
{
    std::vector<std::uint8_t> Bytes;
    int Locks = 0;
    bool OwnedByClipboard = false;
    // A block that a record in this one names (the metafile of a metafile picture), freed with it.
    HGLOBAL Companion = nullptr;
};

// The block of a live handle, or nullptr.
TGlobalBlock* FindGlobalBlock(HGLOBAL Block);
// A new block holding Bytes, owned by the clipboard.
HGLOBAL NewClipboardBlock(std::vector<std::uint8_t> Bytes);
// Frees a block the clipboard owns. Safe during the program's exit, when the toolkit frees the
// clipboard's data after the table is gone.
void FreeClipboardBlock(HGLOBAL Block);
