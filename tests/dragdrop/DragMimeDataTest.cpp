#include "platform/system/DragMimeData.h"
#include "dragdrop/DropBMPSource.h"
#include "dragdrop/DropMetaSource.h"
#include "dragdrop/DropPictureTarget.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/ClipboardMime.h"
#include "tests/support/DragEvents.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// The bitmap of a decoded image, 24 bits.
TBitmap BitmapOfImage(const QImage& Image)
{
    TBitmap Bitmap;
    ReadPackedDib(*PackedDibOfImage(Image), Bitmap);
    Bitmap.SetPixelFormat(pf24bit);
    return Bitmap;
}

// What another program sees of Data: its bytes under each type, without the object behind them.
std::unique_ptr<QMimeData> CrossedOver(const QMimeData& Data)
{
    auto Copy = std::make_unique<QMimeData>();
    for (const QString& Type : Data.formats()) Copy->setData(Type, Data.data(Type));
    return Copy;
}

} // namespace

TEST(DragMimeData, ABitmapDragOffersImagesAndATemporaryFile)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropBMPSource>();
    const TBitmap Picture = MakeRandomBitmap(13, 7, 24, 8);
    Source->SetBitmap(Picture);
    TDataObjectMimeData Data(Source.get());
    EXPECT_EQ(Source->RefCount(), 2u);
    const QStringList Types = Data.formats();
    ASSERT_GE(Types.size(), 3);
    EXPECT_EQ(Types.mid(0, 3), QStringList({"image/png", "image/bmp", "text/uri-list"}));
    EXPECT_TRUE(Types.contains("application/x-pixora-medium-2-16"));
    EXPECT_FALSE(Types.contains("image/x-emf"));

    EXPECT_TRUE(SamePixels(BitmapOfImage(QImage::fromData(Data.data("image/png"), "PNG")), Picture));
    EXPECT_TRUE(SamePixels(BitmapOfImage(QImage::fromData(Data.data("image/bmp"), "BMP")), Picture));
    const QList<QUrl> Urls =
        QUrl::fromStringList(QString::fromUtf8(Data.data("text/uri-list")).split("\r\n", Qt::SkipEmptyParts));
    ASSERT_EQ(Urls.size(), 1);
    const QString File = Urls[0].toLocalFile();
    EXPECT_TRUE(File.endsWith(".png"));
    EXPECT_TRUE(SamePixels(BitmapOfImage(QImage(File)), Picture));
    // The same drag names the same file; the next drag removes it.
    EXPECT_EQ(Data.data("text/uri-list"), Data.data("text/uri-list"));
    RemoveDragTemporaryFiles();
    EXPECT_FALSE(QFile::exists(File));
}

TEST(DragMimeData, AMetafileDragOffersItsRecordsAndADrawing)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropMetaSource>();
    TDataObjectMimeData Data(Source.get());
    EXPECT_TRUE(Data.formats().contains("image/x-emf"));
    EXPECT_TRUE(Data.formats().contains("image/png"));
    TMetafile Metafile;
    const QByteArray Emf = Data.data("image/x-emf");
    Metafile.LoadFromStream(std::span(reinterpret_cast<const std::uint8_t*>(Emf.constData()), std::size_t(Emf.size())));
    EXPECT_EQ(Metafile.Width(), 100);
    const QImage Drawn = QImage::fromData(Data.data("image/png"), "PNG");
    ASSERT_EQ(Drawn.size(), QSize(100, 100));
    EXPECT_EQ(Drawn.pixelColor(50, 50), QColor(GetRValue(clBtnFace), GetGValue(clBtnFace), GetBValue(clBtnFace)));
    EXPECT_TRUE(QString::fromUtf8(Data.data("text/uri-list")).trimmed().endsWith(".emf"));
}

TEST(DragMimeData, OwnDragsComeBackAsTheirDataObject)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropBMPSource>();
    TDataObjectMimeData Data(Source.get());
    IDataObject* Back = DataObjectOfMimeData(&Data);
    EXPECT_EQ(Back, static_cast<IDataObject*>(Source.get()));
    Back->Release();
}

TEST(DragMimeData, AnotherCopyOfTheProgramReceivesThePairs)
{
    EnsureApplication();
    auto Target = MakeComponent<TDropPictureTarget>();
    Target->Dragtypes = AllDragTypes;
    QLabel Control;
    Control.resize(50, 50);
    Target->Register(&Control);
    std::string Taken;
    Target->OnDrop = [&](TDropTarget&, TShiftState, QPoint, DWORD&) {
        if (const TGraphic* Graphic = Target->Picture().Graphic()) Taken = std::to_string(Graphic->Width());
    };

    auto Bitmaps = MakeComponent<TDropBMPSource>();
    Bitmaps->SetBitmap(MakeRandomBitmap(17, 3, 8, 6));
    auto Crossed = CrossedOver(TDataObjectMimeData(Bitmaps.get()));
    EXPECT_EQ(DeliverDrop(Control, *Crossed, QPoint(10, 10)), Qt::CopyAction);
    EXPECT_EQ(Target->LastFormat(), "CF_BITMAP::TYMED_GDI  CF_PALETTE::TYMED_GDI");
    EXPECT_EQ(Taken, "17");

    auto Metafiles = MakeComponent<TDropMetaSource>();
    Crossed = CrossedOver(TDataObjectMimeData(Metafiles.get()));
    EXPECT_EQ(DeliverDrop(Control, *Crossed, QPoint(10, 10)), Qt::CopyAction);
    EXPECT_EQ(Target->LastFormat(), "CF_ENHMETAFILE::TYMED_ENHMF");
    EXPECT_EQ(Taken, "100");
    Target->UnregisterAll();
}

TEST(DragMimeData, OtherProgramsPicturesArriveAsDibsAndMetafiles)
{
    EnsureApplication();
    auto Target = MakeComponent<TDropPictureTarget>();
    Target->Dragtypes = AllDragTypes;
    QLabel Control;
    Control.resize(50, 50);
    Target->Register(&Control);
    std::unique_ptr<TGraphic> Taken;
    Target->OnDrop = [&](TDropTarget&, TShiftState, QPoint, DWORD&) { Taken = Target->Picture().Graphic()->Clone(); };

    QImage Image(21, 9, QImage::Format_RGB32);
    Image.fill(QColor(10, 200, 30));
    for (const char* Format : {"PNG", "JPEG", "BMP"}) {
        QByteArray Bytes;
        QBuffer Buffer(&Bytes);
        Buffer.open(QIODevice::WriteOnly);
        Image.save(&Buffer, Format);
        QMimeData Data;
        Data.setData(QString("image/") + QString(Format).toLower(), Bytes);
        Taken.reset();
        EXPECT_EQ(DeliverDrop(Control, Data, QPoint(5, 5)), Qt::CopyAction) << Format;
        EXPECT_EQ(Target->LastFormat(), "CF_DIB::TYMED_HGLOBAL") << Format;
        ASSERT_NE(Taken, nullptr) << Format;
        EXPECT_EQ(Taken->Width(), 21) << Format;
    }

    auto Metafiles = MakeComponent<TDropMetaSource>();
    QMimeData Emf;
    Emf.setData("image/x-emf", TDataObjectMimeData(Metafiles.get()).data("image/x-emf"));
    EXPECT_EQ(DeliverDrop(Control, Emf, QPoint(5, 5)), Qt::CopyAction);
    EXPECT_EQ(Target->LastFormat(), "CF_ENHMETAFILE::TYMED_ENHMF");

    // Nothing usable: no effect while dragging, nothing taken at the drop.
    for (const auto& [Type, Bytes] : {std::pair<QString, QByteArray>{"image/png", QByteArray()},
                                      {"image/png", QByteArray("\x89PNG\r\n\x1a\n", 8)},
                                      {"image/x-emf", QByteArray(100, 'x')},
                                      {"text/plain", QByteArray("hello")}}) {
        QMimeData Data;
        Data.setData(Type, Bytes);
        Taken.reset();
        EXPECT_EQ(DeliverDrop(Control, Data, QPoint(5, 5)), Qt::IgnoreAction) << Type.toStdString();
        EXPECT_EQ(Taken, nullptr);
    }
    QMimeData Remote;
    Remote.setUrls({QUrl("https://example.org/picture.png")});
    EXPECT_EQ(DeliverHover(Control, Remote, QPoint(5, 5)), Qt::IgnoreAction);
    Target->UnregisterAll();
}

TEST(DragMimeData, AHugePngHeaderIsRefusedWithoutAllocatingIt)
{
    EnsureApplication();
    // A PNG header claiming 100000 × 100000 pixels, then nothing.
    QByteArray Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x02\0\0\0", 29);
    Png += QByteArray(4, '\0');
    QMimeData Data;
    Data.setData("image/png", Png);
    IDataObject* Object = DataObjectOfMimeData(&Data);
    FORMATETC Request{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM Medium;
    EXPECT_EQ(Object->QueryGetData(&Request), S_OK);
    EXPECT_NE(Object->GetData(&Request, &Medium), S_OK);
    EXPECT_EQ(Medium.tymed, TYMED_NULL);
    Object->Release();
}
