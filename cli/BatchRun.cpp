#include "cli/BatchCommand.h"

#include "engine/KelvoImg.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"
#include "platform/system/FileUtils.h"
#include "platform/system/Messages.h"

#include <chrono>
#include <sstream>
#include <type_traits>
#include <typeinfo>

namespace {

const char* PictureKindName(TPictureType Kind)
{
    switch (Kind) {
    case picNil:
        return "nil";
    case picBitmap:
        return "bitmap";
    case picMetafile:
        return "metafile";
    case picIcon:
        return "icon";
    case picUnknown:
        return "unknown";
    }
    return "unknown";
}

const char* PixelFormatName(TPixelFormat Format)
{
    static const char* const Names[] = {"pfDevice", "pf1bit",  "pf4bit",  "pf8bit",  "pf15bit",
                                        "pf16bit",  "pf24bit", "pf32bit", "pfcustom"};
    return Names[Format];
}

// As the editor does before a command: a picture that is not a bitmap becomes a 24-bit one, made as a
// bitmap assigned the picture makes it (a JPEG decoded, a picture with transparency drawn on white).
void EnsureBitmap(TKelvoImage& Image)
{
    if (Image.PictureType() == picBitmap) return;
    auto Made = std::make_unique<TBitmap>();
    if (const TGraphic* Graphic = Image.Picture().Graphic()) Made->Assign(*Graphic);
    if (Made->PixelFormat() != pf24bit) Made->SetPixelFormat(pf24bit);
    Image.Picture().SetGraphic(std::move(Made));
}

// "Name=Value, Name=Value" of a step's arguments.
std::string ArgumentsText(const TBatchStep& Step)
{
    std::ostringstream Text;
    for (std::size_t Index = 0; Index < Step.Arguments.size(); ++Index) {
        Text << (Index == 0 ? "" : ", ") << Step.Operation->Arguments[Index].Name << '=';
        std::visit(
            [&Text](auto Value) {
                if constexpr (std::is_same_v<decltype(Value), bool>)
                    Text << (Value ? "true" : "false");
                else
                    Text << Value;
            },
            Step.Arguments[Index]);
    }
    return Text.str();
}

void RunStep(TKelvoImage& Image, const TBatchStep& Step, bool Time, std::ostream& Errors)
{
    if (Step.Operation == nullptr) {
        EnsureBitmap(Image);
        Image.Picture().Bitmap().SetPixelFormat(pf8bit);
        Image.Invalidate();
        return;
    }
    const std::string Kind(Step.Operation->Kind);
    if (!ArgumentsPass(*Step.Operation, Step.Arguments, Image))
        throw EBatchUsage(Kind + ": " + ArgumentsText(Step) + " is outside the range " +
                          std::string(Step.Operation->Range));
    if (Step.Operation->Apply == nullptr) throw Exception(Kind + " is not available in this build");
    EnsureBitmap(Image);
    bool Amended = false;
    Image.OnAmended = [&Amended](TKelvoImage*, const std::string&) { Amended = true; };
    const auto Start = std::chrono::steady_clock::now();
    Step.Operation->Apply(Image, Step.Arguments);
    const auto End = std::chrono::steady_clock::now();
    Image.OnAmended = nullptr;
    if (Time) Errors << Kind << ": " << std::chrono::duration<double, std::milli>(End - Start).count() << " ms\n";
    if (!Amended) throw EBatchRefused(Kind + ": the operation refused the picture");
}

} // namespace

std::string PictureInfo(TKelvoImage& Image)
{
    const TPictureType Kind = Image.PictureType();
    std::ostringstream Line;
    Line << "kind=" << PictureKindName(Kind) << " width=" << Image.Picture().Width()
         << " height=" << Image.Picture().Height();
    if (Kind == picBitmap) {
        const TBitmap& Bitmap = Image.Picture().Bitmap();
        // Read before BitsPerPixel, which turns a device-dependent bitmap into a section.
        const char* Format = PixelFormatName(Bitmap.PixelFormat());
        const char* Handle = Bitmap.HandleType() == bmDIB ? "bmDIB" : "bmDDB";
        Line << " bits=" << Image.BitsPerPixel() << " pixelformat=" << Format << " handletype=" << Handle;
    } else {
        Line << " bits=0 pixelformat=none handletype=none";
    }
    return Line.str();
}

void SavePictureAs(const TPicture& Picture, const std::string& FileName, const std::string& OpenedFile)
{
    const TGraphic* Source = Picture.Graphic();
    const std::string Extension = TPicture::ExtensionOf(FileName);
    auto Target = TPicture::MakeGraphicFor(Extension);
    if (Source == nullptr || !Target) {
        Picture.SaveToFile(FileName);
        return;
    }
    // A bitmap, or the decoded pixels of an opaque picture, saved as a bitmap are written as they are,
    // with no copy of the pixels between.
    const auto* SourceBitmap = dynamic_cast<const TBitmap*>(Source);
    if (!SourceBitmap) SourceBitmap = Source->OpaqueBitmap();
    if (SourceBitmap && dynamic_cast<TBitmap*>(Target.get())) {
        SourceBitmap->SaveToFile(FileName);
        return;
    }
    auto* Metafile = dynamic_cast<TMetafile*>(Target.get());
    if (auto* Bitmap = dynamic_cast<TBitmap*>(Target.get())) {
        Bitmap->Assign(*Source);
    } else if (const auto* SourceMetafile = dynamic_cast<const TMetafile*>(Source); Metafile && SourceMetafile) {
        // Metafile to metafile keeps the records; the extension chooses EMF or WMF.
        const bool Enhanced = Metafile->Enhanced();
        *Metafile = *SourceMetafile;
        Metafile->SetEnhanced(Enhanced);
    } else {
        TBitmap Drawn;
        if (!SourceBitmap) Drawn.Assign(*Source);
        if (!Target->AssignFromBitmap(SourceBitmap ? *SourceBitmap : Drawn)) {
            // A class that cannot be made from pixels (an icon) is written as it is, into its own format only.
            const TGraphic& Made = *Target;
            if (typeid(Made) != typeid(*Source))
                throw EInvalidGraphic(FormatMessage(Messages::SUnknownExtension, Extension.c_str()));
            Picture.SaveToFile(FileName);
            return;
        }
        if (auto* Jpeg = dynamic_cast<TJPEGImage*>(Target.get()); Jpeg && !OpenedFile.empty())
            Jpeg->CarryExifFrom(ReadLargeFile(OpenedFile).Bytes());
    }
    TPicture Converted;
    Converted.SetGraphic(std::move(Target));
    Converted.SaveToFile(FileName);
}

int RunBatch(std::span<const std::string> Arguments, std::ostream& Output, std::ostream& Errors)
{
    try {
        const TBatchCommand Command = ParseBatchCommand(Arguments);
        switch (Command.Mode) {
        case btHelp:
            Output << BatchUsage();
            return 0;
        case btList:
            Output << BatchOperationList();
            return 0;
        case btInfo:
        case btConvert:
            break;
        }
        TKelvoImage Image;
        Image.Picture().LoadFromFile(Command.Input);
        // A metafile is measured physically, at the screen's resolution, as the editor shows it.
        if (auto* Metafile = dynamic_cast<TMetafile*>(Image.Picture().Graphic()); Metafile && Metafile->Inch() == 0)
            Metafile->SetInch(1);
        if (Command.Mode == btInfo) {
            Output << PictureInfo(Image) << "\n";
            return 0;
        }
        for (const TBatchStep& Step : Command.Steps) RunStep(Image, Step, Command.Time, Errors);
        SavePictureAs(Image.Picture(), Command.Output, Command.Input);
        return 0;
    } catch (const EBatchRefused& Error) {
        Errors << "pixora-batch: " << Error.Message() << "\n";
        return 3;
    } catch (const EBatchUsage& Error) {
        Errors << "pixora-batch: " << Error.Message() << " (see pixora-batch --help)\n";
        return 2;
    } catch (const std::exception& Error) {
        // A picture too large for the memory at hand ends here too.
        Errors << ErrorMessageOf(Error) << "\n";
        return 1;
    }
}
