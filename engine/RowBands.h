#pragma once
// Kernels whose rows can be handled independently spread over the processor's cores in bands of
// consecutive rows; every band has its own index, so results kept per band need no locking.

#include "engine/Rows.h"
#include "platform/system/Workers.h"

#include <cstdint>

// How many bands a picture of Pixels pixels is worth: one per core, each of at least half a million
// pixels, since below that starting a thread costs more than the band saves.
int RowBandCount(std::int64_t Pixels);

// Calls Work(Band, FirstRow, EndRow) for Bands consecutive bands covering rows 0 … Height − 1, each band
// on a core of its own; every band has ended when this returns.
template <class TWork> void ForEachRowBand(int Height, int Bands, TWork&& Work)
{
    RunOnWorkers(unsigned(Bands), [Height, Bands, &Work](unsigned Band) {
        const auto FirstRowOf = [Height, Bands](unsigned Of) { return int(std::int64_t(Height) * Of / Bands); };
        Work(int(Band), FirstRowOf(Band), FirstRowOf(Band + 1));
    });
}

// Calls Work(FirstRow, EndRow) for the bands of Bitmap's rows, as many as its size is worth, each band on
// a core of its own.
template <class TWork> void ForEachRowBandOf(const TBitmap& Bitmap, TWork&& Work)
{
    ForEachRowBand(Bitmap.Height(), RowBandCount(std::int64_t(Bitmap.Width()) * Bitmap.Height()),
                   [&Work](int, int First, int End) { Work(First, End); });
}

// Calls Work(Row) for every row of Bitmap, its rows in bands over the cores; Work runs on several
// threads at once.
template <class TWork> void ForEveryRowInBands(TBitmap& Bitmap, TWork&& Work)
{
    const TRowAddresses Rows = RowAddresses(Bitmap);
    ForEachRowBandOf(Bitmap, [&Rows, &Work](int First, int End) {
        for (int Y = First; Y < End; ++Y) Work(Rows[std::size_t(Y)]);
    });
}
