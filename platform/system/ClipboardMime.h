#pragma once
// How clipboard formats meet the MIME types of the desktop's clipboard: the data this program publishes
// (a QMimeData rendering PNG only when a reader asks for it, of a bitmap or, through the PNG renderer,
// of another picture) and the formats read from other programs'
// data.

#include "platform/system/Clipboard.h"

#include <QImage>
#include <QMimeData>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The data this program put on the clipboard: its blocks, which it owns, in the order they were placed.
class TClipboardMimeData : public QMimeData
{
public:
    using TEntries = std::vector<std::pair<TClipboardFormat, HGLOBAL>>;

    explicit TClipboardMimeData(TEntries Entries);
    ~TClipboardMimeData() override;

    const TEntries& Entries() const { return FEntries; }
    // The block of Format (either bitmap number finds a bitmap), or nullptr.
    HGLOBAL Find(TClipboardFormat Format) const;

    QStringList formats() const override;
    bool hasFormat(const QString& MimeType) const override;

protected:
    QVariant retrieveData(const QString& MimeType, QMetaType Type) const override;

private:
    // The first entry drawn as PNG: a bitmap, or a picture the renderer draws; nullptr when none is.
    const TEntries::value_type* FindDrawable() const;
    QByteArray PngOf(const TEntries::value_type& Entry) const;

    TEntries FEntries;
    // The renderer when the data were published, which draws them whatever is set later.
    TClipboardPngRenderer FRenderer;
    mutable std::optional<QByteArray> FPng;
};

// The formats Data offers, in the order of its MIME types.
std::vector<TClipboardFormat> FormatsOfMimeData(const QMimeData& Data);
// The bytes of Format read from another program's Data, converted where needed (a decoded image becomes
// a packed DIB); nothing when Data does not offer Format.
std::optional<std::vector<std::uint8_t>> BytesOfMimeData(const QMimeData& Data, TClipboardFormat Format);

// Turns the bytes of a picture file into a packed DIB; nothing for damaged data.
using TPictureFileDecoder = std::function<std::optional<std::vector<std::uint8_t>>(std::span<const std::uint8_t>)>;
// Binds a MIME type of picture files (image/webp, image/heic, ...) to the decoder that reads it, so that
// data other programs offer under that type arrives as a bitmap even where the toolkit cannot read it.
void RegisterPictureFileType(const std::string& MimeType, TPictureFileDecoder Decoder);

// The packed DIB of a decoded image; transparent parts are laid on white, as a bitmap has no alpha to
// keep them. Nothing for a null image.
std::optional<std::vector<std::uint8_t>> PackedDibOfImage(QImage Image);
