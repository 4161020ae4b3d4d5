#pragma once
// The message texts and fixed captions of the windows and the settings component, exactly as users see
// them (the platform's own texts are in platform/system/Messages.h).

namespace Messages {

// The settings file.
inline constexpr const char* SSettingsHeader = "Vorel.exe 環境設定ファイル --- このファイルは、編集しないで下さい。";
inline constexpr const char* SNameNotFound = "Name '%s' is not found in parameters.";
inline constexpr const char* SNotBoolean = "Value of %s '%s' is not Boolean Type.";

// The start without a font that writes Japanese, in English so that it shows without one.
inline constexpr const char* SNoJapaneseFont =
    "No installed font has Japanese characters, so Pixora's Japanese interface shows boxes instead of its "
    "labels. Install a Japanese font, for example Debian's package fonts-ipafont-gothic "
    "(sudo apt-get install fonts-ipafont-gothic), and start Pixora again.";

// The histogram window.
inline constexpr const char* SHistogramCaption = "Histgram";

} // namespace Messages
