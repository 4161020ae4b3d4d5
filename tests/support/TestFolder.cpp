#include "tests/support/TestFolder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <unistd.h>

void TFolderTest::SetUp()
{
    FFolder = std::filesystem::temp_directory_path() /
              ("pixora-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(FFolder);
}

void TFolderTest::TearDown()
{
    std::filesystem::remove_all(FFolder);
}

std::vector<std::string> TFolderTest::FolderEntries() const
{
    std::vector<std::string> Names;
    for (const auto& Entry : std::filesystem::directory_iterator(FFolder))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

std::string TFolderTest::TextOf(const std::string& Name) const
{
    std::ifstream Stream(PathOf(Name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(Stream), {});
}
