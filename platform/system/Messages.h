#pragma once
// The message texts of the platform layer, exactly as users see them.

namespace Messages {

inline constexpr const char* SInvalidPixelFormat = "画像フォーマットが不正です";
inline constexpr const char* SScanLineOutOfRange = "スキャンライン のインデックスが範囲を越えました";
inline constexpr const char* SUnknownExtension = "拡張子 .%s の画像形式は処理できません";
inline constexpr const char* SInvalidBitmap = "ビットマップイメージが不正です";
inline constexpr const char* SInvalidIcon = "アイコンイメージが不正です";
inline constexpr const char* SInvalidMetafile = "メタファイルが不正です";
inline constexpr const char* SJPEGError = "JPEG エラー #%d";
inline constexpr const char* SInvalidHeif = "HEIF イメージが不正です";
inline constexpr const char* SInvalidWebP = "WebP イメージが不正です";
inline constexpr const char* SInvalidTiff = "TIFF イメージが不正です";
inline constexpr const char* SInvalidGif = "GIF イメージが不正です";
inline constexpr const char* SFOpenError = "ファイル %s は開けません";
inline constexpr const char* SFCreateError = "ファイル %s を作成できません";
inline constexpr const char* SInvalidInteger = "'%s' は整数ではありません";
inline constexpr const char* SCannotOpenClipboard = "クリップボードを開くことができません";
inline constexpr const char* SNoClipboardIcon = "クリップボードはアイコンには対応していません";
inline constexpr const char* SImageCanvasNeedsBitmap = "ビットマップを持っている時のみイメージの変更が可能です";
// A failed platform call: its last-error code and the code's text.
inline constexpr const char* SOSError = "システム エラー。コード: %d。\n%s";
inline constexpr const char* SErrorSuccess = "この操作を正しく終了しました。";
inline constexpr const char* SErrorInvalidHandle = "ハンドルが無効です。";
inline constexpr const char* SErrorNotEnoughMemory = "このコマンドを実行するのに十分な記憶域がありません。";
inline constexpr const char* SErrorInvalidData = "データが無効です。";
inline constexpr const char* SErrorInsufficientBuffer = "システム コールに渡されるデータ領域が小さすぎます。";
inline constexpr const char* SAssertionFailed = "Assertion failure";
inline constexpr const char* SAssertError = "%s (%s, %d 行)";

} // namespace Messages
