#pragma once
// Which picture format a file's first bytes name, whatever the file is called.

#include <cstdint>
#include <span>
#include <string>

// The extension (lower case, without the dot) of the format whose signature Bytes begin with: "bmp",
// "jpg", "png", "ico", "emf", "wmf" (placeable or plain), "webp", "tif", "gif", "heic" or "avif"; ""
// when they begin like none of them.
std::string FormatOfContent(std::span<const std::uint8_t> Bytes);
