#pragma once
// How data objects meet the MIME types of the desktop's drag and drop.
//
// A drag this program starts offers, besides its formats under the clipboard's MIME mapping, what
// other programs take: a bitmap (CF_DIB or CF_BITMAP) as image/png and image/bmp; an enhanced metafile
// as image/x-emf and, drawn, as image/png and image/bmp; and text/uri-list naming a temporary file of
// the picture (PNG, or EMF for a metafile) in a private folder. Every pair of format and medium it
// offers also travels as application/x-pixora-medium-FORMAT-MEDIUM, so that another copy of this
// program receives the very pairs. Everything is rendered only when a reader asks.
//
// A drag arriving from another program becomes a data object offering, in the order of its MIME types:
// the pairs of another copy of this program when it carries them; otherwise CF_DIB in a global block
// for any image the toolkit decodes (JPEG included), CF_ENHMETAFILE as an enhanced metafile for
// image/x-emf, CF_METAFILEPICT as a metafile picture for image/x-wmf, and CF_HDROP (a DROPFILES block)
// for the local files of a text/uri-list.

#include "platform/system/ObjectInterfaces.h"

#include <QMimeData>
#include <QPointer>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Conversions the picture layer lends to drags: a packed DIB from EMF bytes (a metafile dragged to
// programs that take only images) and PNG bytes from a packed DIB. Without them no metafile is offered as
// an image and PNG is written by the toolkit.
struct TDragRenderers
{
    std::function<std::optional<std::vector<std::uint8_t>>(std::span<const std::uint8_t> Emf)> DibOfEmf;
    std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t> Dib)> PngOfDib;
};
void SetDragRenderers(TDragRenderers Renderers);

// The data of a drag of DataObject, which it holds a reference to as long as it lives; the toolkit
// deletes it after the drop, once the target has fetched what it wants.
class TDataObjectMimeData : public QMimeData
{
public:
    explicit TDataObjectMimeData(IDataObject* DataObject);
    ~TDataObjectMimeData() override;
    TDataObjectMimeData(const TDataObjectMimeData&) = delete;
    TDataObjectMimeData& operator=(const TDataObjectMimeData&) = delete;

    IDataObject* DataObject() const { return FDataObject; }
    QStringList formats() const override;
    bool hasFormat(const QString& MimeType) const override;

protected:
    QVariant retrieveData(const QString& MimeType, QMetaType Type) const override;

private:
    QByteArray PackedDib() const;
    QByteArray EnhancedMetafile() const;
    QByteArray TemporaryFileUrl() const;
    QByteArray MediumBytes(const FORMATETC& Format) const;

    IDataObject* FDataObject;
    std::vector<FORMATETC> FFormats;
    QStringList FTypes;
    mutable std::string FTemporaryFile;
};

// A data object over a drag's Data with a reference for the caller: the data object of this program's
// own drag, or a new one reading another program's data while Data lives.
IDataObject* DataObjectOfMimeData(const QMimeData* Data);

// Removes the temporary files of earlier drags.
void RemoveDragTemporaryFiles();

// A DROPFILES block naming Files (UTF-8 paths); the names of such a block, empty for anything else.
HGLOBAL NewDropFilesBlock(const std::vector<std::string>& Files);
std::vector<std::string> DropFilesNames(HGLOBAL Block);
