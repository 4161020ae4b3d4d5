#pragma once
// Reading an EMF record stream safely: the header's geometry and a walk over the records in which every
// record lies inside the stream and passes libUEMF's consistency checks before anyone reads its fields.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

struct TEmfHeaderInfo
{
    // Bounds in reference-device pixels (inclusive) and frame in 0.01 mm (inclusive).
    int BoundsLeft = 0, BoundsTop = 0, BoundsRight = 0, BoundsBottom = 0;
    int FrameLeft = 0, FrameTop = 0, FrameRight = 0, FrameBottom = 0;
    // The reference device: its size in pixels and in micrometres.
    int DevicePixelsX = 0, DevicePixelsY = 0;
    int DeviceMicronsX = 0, DeviceMicronsY = 0;
    int Handles = 0;
    int PaletteEntries = 0;

    double PixelsPerMmX() const { return DevicePixelsX * 1000.0 / DeviceMicronsX; }
    double PixelsPerMmY() const { return DevicePixelsY * 1000.0 / DeviceMicronsY; }
};

// Parses the header record; raises "メタファイルが不正です" unless Bytes start with a usable EMF header.
TEmfHeaderInfo ReadEmfHeader(std::span<const std::uint8_t> Bytes);

// Checks the records of a stream and makes it end in an end-of-file record: the stream is cut after
// that record, or, where the file ends without one (after a whole record, or inside a record it cut
// short), after the last whole record, with an end-of-file record added and the header's size and
// record count set to match. Raises "メタファイルが不正です" when a record's size is impossible or a
// record fails libUEMF's checks.
void ValidateEmf(std::vector<std::uint8_t>& Bytes);

// Calls Visit for each record after the header up to the end-of-file record (excluded), each already
// checked as ValidateEmf checks it; a damaged record ends the walk quietly, so what precedes it plays.
// Records are 4-byte aligned in memory when Bytes is.
void ForEachEmfRecord(std::span<const std::uint8_t> Bytes,
                      const std::function<void(std::uint32_t Type, const char* Record, std::uint32_t Size)>& Visit);
