// The entry of a fuzz target's replay program (normal builds, run by CTest):
// every file of the folders named on the command line goes through the same
// LLVMFuzzerTestOneInput that libFuzzer drives, in name order. A fault aborts
// the program, which fails the test; a seed folder without a single input fails
// too, so a lost corpus does not pass unnoticed. A folder that does not exist
// (no regression kept yet) is skipped.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Defined by the targets that need one-time set-up.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int a = 1; a < argc; ++a) {
        const fs::path folder = argv[a];
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            std::printf("%s: no such folder, skipped\n", argv[a]);
            continue;
        }
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        if (a == 1 && files.empty()) {
            std::printf("%s: no seed input\n", argv[a]);
            return 1;
        }
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++replayed;
        }
        std::printf("%s: %zu inputs replayed\n", argv[a], files.size());
    }
    std::printf("%d inputs replayed without a fault\n", replayed);
    return 0;
}
