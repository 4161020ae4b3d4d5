#pragma once
// File helpers: whole-file reads and safe writes.

#include "platform/system/LargeBlock.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The extension of FileName with its dot (".bmp"), or empty.
std::string ExtractFileExt(const std::string& FileName);

// The bytes of the file; raises "ファイル %s は開けません" when it cannot be read or is no regular file
// (a folder, a device, a FIFO, which are refused without waiting for a writer), or larger than 4 GiB.
std::vector<std::uint8_t> ReadWholeFile(const std::string& FileName);
// The same for a file that may be large (a picture): read once into a block of the file's size, which
// the first touch of its memory pays for in huge pages.
TLargeBlock ReadLargeFile(const std::string& FileName);

// Writes Bytes to a temporary file beside FileName and renames it over FileName, so a failed write
// leaves the previous file as it was; raises "ファイル %s を作成できません". The new file keeps the
// permissions and, where this process may give them, the owner and group of the file it replaces. A
// symbolic link is followed and the file it names replaced; a FIFO or a character device is written
// into as it is, without a temporary file.
void WriteWholeFile(const std::string& FileName, std::span<const std::uint8_t> Bytes);
// The same for a file made of Parts, written in order without being joined first.
void WriteWholeFile(const std::string& FileName, std::span<const std::span<const std::uint8_t>> Parts);

// Makes a write beyond the file-size limit, or into a pipe that nobody reads any more, fail like any
// other write, so that it is reported, instead of ending the process. Called once at program start.
void IgnoreWriteSignals();
