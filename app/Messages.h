#pragma once
// The message texts and fixed captions of the windows and the settings component, exactly as users see
// them (the platform's own texts are in platform/system/Messages.h).

namespace Messages {

// The settings file.
inline constexpr const char* SSettingsHeader = "Vorel.exe 環境設定ファイル --- このファイルは、編集しないで下さい。";
inline constexpr const char* SNameNotFound = "Name '%s' is not found in parameters.";
inline constexpr const char* SNotBoolean = "Value of %s '%s' is not Boolean Type.";

// The histogram window.
inline constexpr const char* SHistogramCaption = "Histgram";

} // namespace Messages
