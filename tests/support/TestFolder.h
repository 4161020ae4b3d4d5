#pragma once
// A test whose files live in a fresh folder of its own, removed after it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class TFolderTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::string PathOf(const std::string& Name) const { return (FFolder / Name).string(); }
    // The bytes of the file Name in the folder, empty when there is none.
    std::string TextOf(const std::string& Name) const;
    // The names in the folder, sorted: a temporary file left behind shows here.
    std::vector<std::string> FolderEntries() const;

    std::filesystem::path FFolder;
};
