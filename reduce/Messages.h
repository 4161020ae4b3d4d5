#pragma once
// The message texts of the colour reduction, exactly as users see them.

namespace ReduceMessages {

inline constexpr const char* SBitmapFilterNeeds24Bit = "BitmapFiletr accepts only 24Bit DIB";

} // namespace ReduceMessages
