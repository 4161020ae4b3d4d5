// Without libFuzzer, a fuzz target replays every file of the folders (or files) it is given, so the
// seed inputs and every past crash run as a regression test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {

void ReplayFile(const std::filesystem::path& Path)
{
    std::ifstream Stream(Path, std::ios::binary);
    std::vector<char> Bytes((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size());
}

} // namespace

int main(int Count, char** Arguments)
{
    int Replayed = 0;
    for (int Index = 1; Index < Count; ++Index) {
        const std::filesystem::path Path(Arguments[Index]);
        if (std::filesystem::is_directory(Path)) {
            for (const auto& Entry : std::filesystem::recursive_directory_iterator(Path))
                if (Entry.is_regular_file()) {
                    ReplayFile(Entry.path());
                    ++Replayed;
                }
        } else if (std::filesystem::is_regular_file(Path)) {
            ReplayFile(Path);
            ++Replayed;
        }
    }
    std::printf("replayed %d inputs\n", Replayed);
    return 0;
}
