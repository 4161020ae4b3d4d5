#pragma once
// Printing what a print preview shows: each sheet's page, the page picture placed in the printable
// area, in the order of the sheet images.

#include <functional>

class QPrinter;
class TGraphicPreview;

// The message of a failed job where the print service gives none.
inline constexpr const char* SPrintFailed = "印刷できませんでした";

// Reports that Done of Count pages are printed; returning false cancels the job.
using TPrintProgress = std::function<bool(int Done, int Count)>;

// Prints pages From to To (sheet numbers from 1, clamped to the sheets there are) of Preview on Device.
// The pages keep their physical size when Device's resolution is not the one the preview measured. Returns
// false when the job was cancelled; raises Exception with the print service's message when it failed.
bool PrintPreviewPages(const TGraphicPreview& Preview, QPrinter& Device, int From, int To,
                       const TPrintProgress& Progress);
