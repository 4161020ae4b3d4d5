// Feeds arbitrary bytes to the WMF reader (translation of its records to EMF), plays what loaded
// onto a small bitmap and saves it back in both metafile formats. Every failure must be an
// EInvalidGraphic; anything else (a crash, a hang, a huge allocation) is a bug.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/system/Exceptions.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// Text is played only with an application object, which owns the font database.
void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int Count = 1;
    static char Name[] = "WmfFuzzer";
    static char* Arguments[] = {Name, nullptr};
    static const auto Application = std::make_unique<QGuiApplication>(Count, Arguments);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    EnsureApplication();
    try {
        TMetafile Metafile;
        Metafile.LoadFromStream(std::span(Data, Size));
        TBitmap Target;
        Target.SetLayout(32, 24, 24);
        Target.Canvas().StretchDraw(Rect(0, 0, 32, 24), Metafile);
        std::vector<std::uint8_t> Saved;
        Metafile.SetEnhanced(true);
        Metafile.SaveToStream(Saved);
        TMetafile Reloaded;
        Reloaded.LoadFromStream(Saved);
        // Written as a WMF again: the file as it was read, or its records translated back.
        Saved.clear();
        Metafile.SetEnhanced(false);
        Metafile.SaveToStream(Saved);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
