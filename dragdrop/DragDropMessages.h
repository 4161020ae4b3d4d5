#pragma once
// The message texts of the drag-and-drop components, exactly as users see them.

namespace DragDropMessages {

inline constexpr const char* SCannotCopyBitmap = "Unable to copy Bitmap to Clipboard.";
inline constexpr const char* SCannotCopyMetafile = "Unable to copy Metafile to Clipboard.";
inline constexpr const char* SFailedToRegister = "Failed to Register ";
inline constexpr const char* SFailedToUnregister = "Failed to Unregister ";

} // namespace DragDropMessages
