#pragma once
// Kernels whose rows can be handled independently spread over the processor's cores in bands of
// consecutive rows; every band has its own index, so results kept per band need no locking.

#include "engine/Rows.h"

#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

// How many bands a picture of Pixels pixels is worth: one per core, each of at least half a million
// pixels, since below that starting a thread costs more than the band saves.
int RowBandCount(std::int64_t Pixels);

// Calls Work(Band, FirstRow, EndRow) for Bands consecutive bands covering rows 0 … Height − 1: the first on
// the calling thread, every other on a thread of its own (or on the calling thread when the system refuses
// one). Work must not throw; every band has ended when this returns.
template <class TWork> void ForEachRowBand(int Height, int Bands, TWork&& Work)
{
    const auto FirstRowOf = [Height, Bands](int Band) { return int(std::int64_t(Height) * Band / Bands); };
    std::vector<std::jthread> Others;
    Others.reserve(std::size_t(Bands));
    for (int Band = 1; Band < Bands; ++Band) {
        const int First = FirstRowOf(Band), End = FirstRowOf(Band + 1);
        try {
            Others.emplace_back([&Work, Band, First, End] { Work(Band, First, End); });
        } catch (const std::system_error&) {
            Work(Band, First, End);
        }
    }
    Work(0, 0, FirstRowOf(1));
}

// Calls Work(Row) for every row of Bitmap, its rows in bands over the cores; Work runs on several
// threads at once.
template <class TWork> void ForEveryRowInBands(TBitmap& Bitmap, TWork&& Work)
{
    const TRowAddresses Rows = RowAddresses(Bitmap);
    ForEachRowBand(Bitmap.Height(), RowBandCount(std::int64_t(Bitmap.Width()) * Bitmap.Height()),
                   [&Rows, &Work](int, int First, int End) {
                       for (int Y = First; Y < End; ++Y) Work(Rows[std::size_t(Y)]);
                   });
}
