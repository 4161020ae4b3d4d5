// The editor when a picture needs more memory than is left: the command fails with the platform's
// out-of-memory text in a message box, and the window goes on working.
#include "platform/system/FileUtils.h"
#include "platform/system/Messages.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/MemoryLimit.h"
#include "tests/support/TestJpegs.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

// 6000 x 4000 pixels claimed by a 30 KB JPEG file need a 72 MB bitmap; the window's process may grow by
// 32 MB only while the file is opened.
TEST(FrameOutOfMemory, OpeningAPictureTooLargeForTheMemoryLeftIsReportedAndTheWindowCarriesOn)
{
    if (!AddressSpaceLimitApplies())
        GTEST_SKIP() << "the sanitizers' own mappings make an address-space limit meaningless";
    TFrameFixture Fixture;
    const std::vector<std::uint8_t> Huge =
        ClaimingSize(MakeJpeg(MakeRandomBitmap(64, 64, 24, 8), {}), 6000, 4000, 30000);
    WriteWholeFile((Fixture.Folder() / "huge.jpg").string(), Huge);
    WriteBitmapFile(MakeGradient(16, 16), Fixture.Folder() / "small.bmp");

    {
        const TAddressSpaceLimit Limit(std::size_t(32) << 20);
        ASSERT_TRUE(Limit.Set());
        Fixture.Open(Fixture.Folder() / "huge.jpg");
    }

    ASSERT_FALSE(Fixture.Messages().empty());
    EXPECT_EQ(Fixture.Messages().back(), Messages::SErrorNotEnoughMemory);
    Fixture.Open(Fixture.Folder() / "small.bmp");
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 16);
    EXPECT_EQ(Fixture.Caption().rfind((Fixture.Folder() / "small.bmp").string(), 0), 0u) << Fixture.Caption();
}
