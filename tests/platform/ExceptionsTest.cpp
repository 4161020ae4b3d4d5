#include "platform/system/Exceptions.h"

#include <gtest/gtest.h>

TEST(Assertion, MessageNamesUnitAndLine)
{
    try {
        Assert(false, "KelvoImg", 639);
        FAIL() << "no exception";
    } catch (const EAssertionFailed& Error) {
        EXPECT_EQ(Error.Message(), "Assertion failure (KelvoImg, 639 行)");
        EXPECT_EQ(Error.Unit(), "KelvoImg");
        EXPECT_EQ(Error.Line(), 639);
    }
    EXPECT_NO_THROW(Assert(true, "Reduce", 515));
}

TEST(FormatMessage, FormatsLikePrintf)
{
    EXPECT_EQ(FormatMessage("拡張子 .%s の画像形式は処理できません", "gif"), "拡張子 .gif の画像形式は処理できません");
    EXPECT_EQ(FormatMessage("JPEG エラー #%d", 42), "JPEG エラー #42");
}
