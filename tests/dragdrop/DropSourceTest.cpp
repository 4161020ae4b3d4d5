#include "dragdrop/DropSource.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A source that offers what the test registers and renders nothing.
class TPlainSource : public TDropSource
{
public:
    std::vector<TClipboardFormat> Rendered;

protected:
    HRESULT RenderData(const FORMATETC& Format, STGMEDIUM& Medium) override
    {
        Medium = STGMEDIUM();
        Rendered.push_back(Format.cfFormat);
        return DV_E_FORMATETC;
    }
};

TComponentPtr<TPlainSource> SourceWith(int Count)
{
    auto Source = MakeComponent<TPlainSource>();
    for (int Index = 0; Index < Count; ++Index)
        Source->AddFormatEtc(TClipboardFormat(100 + Index), nullptr, TYMED_HGLOBAL, -1, DVASPECT_CONTENT);
    return Source;
}

IEnumFORMATETC* EnumOf(TDropSource& Source)
{
    IEnumFORMATETC* Enum = nullptr;
    EXPECT_EQ(Source.EnumFormatEtc(DATADIR_GET, &Enum), S_OK);
    return Enum;
}

// A drag loop that reports Effect as the target's feedback, then releases the button.
TDragLoop ReleaseWithFeedback(DWORD Effect)
{
    return [Effect](IDataObject*, IDropSource* Source, DWORD OkEffects, DWORD* Final) {
        Source->GiveFeedback(Effect);
        const HRESULT Code = Source->QueryContinueDrag(0, 0);
        *Final = Code == DRAGDROP_S_DROP ? Effect & OkEffects : DROPEFFECT_NONE;
        return Code;
    };
}

struct TDragLoopGuard
{
    explicit TDragLoopGuard(TDragLoop Loop) { SetDragLoop(std::move(Loop)); }
    ~TDragLoopGuard() { SetDragLoop(nullptr); }
};

} // namespace

TEST(DropSourceFormats, TheListHoldsTwentyAndIgnoresMore)
{
    auto Source = SourceWith(21);
    EXPECT_EQ(Source->FormatCount(), 20);
    IEnumFORMATETC* Enum = EnumOf(*Source);
    FORMATETC Entries[25];
    ULONG Fetched = 0;
    EXPECT_EQ(Enum->Next(25, Entries, &Fetched), S_FALSE);
    EXPECT_EQ(Fetched, 20u);
    EXPECT_EQ(Entries[19].cfFormat, 119);
    EXPECT_EQ(Entries[0].lindex, -1);
    Enum->Release();
}

TEST(DropSourceFormats, NextSkipResetAndCloneFollowThePosition)
{
    auto Source = SourceWith(4);
    IEnumFORMATETC* Enum = EnumOf(*Source);
    FORMATETC Entries[5];
    ULONG Fetched = 0;
    ASSERT_EQ(Enum->Next(2, Entries, &Fetched), S_OK);
    IEnumFORMATETC* Clone = nullptr;
    ASSERT_EQ(Enum->Clone(&Clone), S_OK);
    EXPECT_EQ(Enum->Next(5, Entries, &Fetched), S_FALSE);
    EXPECT_EQ(Fetched, 2u);
    EXPECT_EQ(Entries[0].cfFormat, 102);
    EXPECT_EQ(Enum->Next(1, Entries, &Fetched), S_FALSE);
    EXPECT_EQ(Fetched, 0u);
    // The clone goes on with the third entry.
    ASSERT_EQ(Clone->Next(1, Entries, nullptr), S_OK);
    EXPECT_EQ(Entries[0].cfFormat, 102);
    EXPECT_EQ(Clone->Skip(5), S_FALSE);
    EXPECT_EQ(Clone->Next(1, Entries, &Fetched), S_FALSE);
    EXPECT_EQ(Clone->Reset(), S_OK);
    EXPECT_EQ(Clone->Skip(4), S_OK);
    EXPECT_EQ(Clone->Reset(), S_OK);
    EXPECT_EQ(Clone->Next(4, Entries, &Fetched), S_OK);
    EXPECT_EQ(Entries[3].cfFormat, 103);
    Clone->Release();
    Enum->Release();
}

TEST(DropSourceFormats, AnEnumeratorKeepsItsSourceAlive)
{
    auto Source = SourceWith(2);
    IEnumFORMATETC* Enum = EnumOf(*Source);
    EXPECT_EQ(Source->RefCount(), 2u);
    Enum->Release();
    EXPECT_EQ(Source->RefCount(), 1u);
}

TEST(DropSourceFormats, QueryAndEnumerationAnswerTheirCodes)
{
    auto Source = SourceWith(1);
    FORMATETC Query{100, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_GDI};
    EXPECT_EQ(Source->QueryGetData(&Query), S_OK);
    Query.dwAspect = 4;
    EXPECT_EQ(Source->QueryGetData(&Query), E_FAIL);
    Query.dwAspect = DVASPECT_CONTENT;
    Query.tymed = TYMED_GDI;
    EXPECT_EQ(Source->QueryGetData(&Query), E_FAIL);
    IEnumFORMATETC* Enum = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(Source->EnumFormatEtc(DATADIR_SET, &Enum), E_NOTIMPL);
    EXPECT_EQ(Enum, nullptr);
    EXPECT_EQ(Source->EnumFormatEtc(3, &Enum), E_INVALIDARG);
    EXPECT_EQ(Source->GetCanonicalFormatEtc(&Query, &Query), DATA_S_SAMEFORMATETC);
    EXPECT_EQ(Source->DAdvise(&Query, 0, nullptr, nullptr), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(Source->GetDataHere(&Query, nullptr), E_NOTIMPL);
    void* Target = nullptr;
    EXPECT_EQ(Source->QueryInterface(IID_IDropTarget, &Target), E_NOINTERFACE);
    EXPECT_EQ(Source->QueryInterface(IID_IDropSource, &Target), S_OK);
    static_cast<IDropSource*>(Target)->Release();
}

TEST(DropSourceDrag, FeedbackAndTheReleaseDecideTheDrop)
{
    auto Source = SourceWith(1);
    EXPECT_EQ(Source->GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
    Source->OnFeedback = [](TDropSource&, DWORD, bool& UseDefault) { UseDefault = false; };
    EXPECT_EQ(Source->GiveFeedback(DROPEFFECT_MOVE), S_OK);
    EXPECT_EQ(Source->QueryContinueDrag(1, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(Source->QueryContinueDrag(0, MK_RBUTTON), S_OK);
    // Only copy allowed, the target offered move.
    EXPECT_EQ(Source->QueryContinueDrag(0, 0), DRAGDROP_S_CANCEL);
    Source->Dragtypes = AllDragTypes;
    EXPECT_EQ(Source->QueryContinueDrag(0, 0), DRAGDROP_S_DROP);
    bool Asked = false;
    Source->OnDrop = [&](TDropSource&, TDragType, bool&) { Asked = true; };
    Source->GiveFeedback(DROPEFFECT_NONE);
    EXPECT_EQ(Source->QueryContinueDrag(0, 0), DRAGDROP_S_CANCEL);
    EXPECT_FALSE(Asked);
}

TEST(DropSourceDrag, ExecuteTurnsTheOutcomeIntoItsResult)
{
    EnsureApplication();
    auto Source = SourceWith(1);
    Source->Dragtypes = {dtCopy, dtMove};
    {
        const TDragLoopGuard Loop(ReleaseWithFeedback(DROPEFFECT_MOVE));
        EXPECT_EQ(Source->Execute(), drMoved);
    }
    {
        const TDragLoopGuard Loop(ReleaseWithFeedback(DROPEFFECT_COPY | DROPEFFECT_MOVE));
        EXPECT_EQ(Source->Execute(), drCopied);
        TDragType Seen = dtLink;
        Source->OnDrop = [&](TDropSource&, TDragType Type, bool& Continue) {
            Seen = Type;
            Continue = false;
        };
        EXPECT_EQ(Source->Execute(), drCancelled);
        EXPECT_EQ(Seen, dtCopy);
    }
    {
        const TDragLoopGuard Loop(ReleaseWithFeedback(DROPEFFECT_LINK));
        EXPECT_EQ(Source->Execute(), drCancelled);
    }
    for (const auto& [Code, Expected] : {std::pair{E_OUTOFMEMORY, drOutOfMemory}, std::pair{E_FAIL, drFailed},
                                         std::pair{DRAGDROP_S_CANCEL, drCancelled}}) {
        const TDragLoopGuard Loop([Code](IDataObject*, IDropSource*, DWORD, DWORD*) { return Code; });
        EXPECT_EQ(Source->Execute(), Expected);
    }
    // A drop whose effect the source never allowed is no drop.
    const TDragLoopGuard Loop([](IDataObject*, IDropSource*, DWORD, DWORD* Effect) {
        *Effect = DROPEFFECT_LINK;
        return DRAGDROP_S_DROP;
    });
    EXPECT_EQ(Source->Execute(), drCancelled);
}

TEST(DropSourceImages, TheIndexAndShowImageFollowTheList)
{
    auto Source = SourceWith(0);
    Source->SetImageIndex(2);
    EXPECT_EQ(Source->ImageIndex(), 0);
    EXPECT_FALSE(Source->ShowImage());
    TImageList List(16, 16);
    List.AddMasked(QImage(16, 16, QImage::Format_RGB32), 0);
    List.AddMasked(QImage(16, 16, QImage::Format_RGB32), 0);
    Source->SetImages(&List);
    EXPECT_TRUE(Source->ShowImage());
    Source->SetImageIndex(1);
    EXPECT_EQ(Source->ImageIndex(), 1);
    Source->SetImageIndex(2);
    EXPECT_EQ(Source->ImageIndex(), 1);
    Source->SetImageIndex(-1);
    EXPECT_EQ(Source->ImageIndex(), 0);
    EXPECT_FALSE(Source->ShowImage());
    Source->SetShowImage(true);
    EXPECT_EQ(Source->ImageHotSpot(1), 16);
    Source->ImagesRemoved();
    EXPECT_FALSE(Source->ShowImage());
    Source->SetShowImage(true);
    EXPECT_FALSE(Source->ShowImage());
}

TEST(DropSourceImages, TheDraggedImageIsShownForTheDragOnly)
{
    EnsureApplication();
    auto Source = SourceWith(1);
    TImageList List(8, 8);
    List.AddMasked(QImage(8, 8, QImage::Format_RGB32), 0);
    Source->SetImages(&List);
    Source->SetImageHotSpot(1, 3);
    int HotX = 0;
    const TImageList* During = nullptr;
    const TDragLoopGuard Loop([&](IDataObject*, IDropSource*, DWORD, DWORD*) {
        During = ImageList_GetDragImage(&HotX, nullptr);
        return DRAGDROP_S_CANCEL;
    });
    Source->Execute();
    EXPECT_EQ(During, &List);
    EXPECT_EQ(HotX, 3);
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
}

TEST(DropSourceStartUp, RegistersTheSevenFormatsInOrder)
{
    const TDragDropFormats& Formats = DragDropFormats();
    EXPECT_EQ(GetClipboardFormatName(Formats.PreferredDropEffect), "Preferred DropEffect");
    EXPECT_EQ(Formats.FileGroupDescriptor, Formats.FileContents + 1);
    EXPECT_EQ(Formats.FileNameMapW, Formats.FileContents + 6);
    EXPECT_EQ(GetClipboardFormatName(Formats.IdList), "Shell IDList Array");
}
