// Runs a fuzz target over saved inputs as an ordinary test: every file in the folders named on
// the command line (a folder that does not exist counts as empty) goes once through the
// target, in name order. A finding aborts, as it does under the fuzzer, and fails the test.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (!fs::is_directory(argv[i], error))
            continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argv[i]))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes { std::istreambuf_iterator<char>(in),
            std::istreambuf_iterator<char>() };
        std::fprintf(stderr, "%s\n", file.c_str());
        // A copy of exactly the file's size, so that reads past the end show as they would
        // under the fuzzer.
        const std::unique_ptr<uint8_t[]> copy(new uint8_t[std::max<size_t>(bytes.size(), 1)]);
        std::copy(bytes.begin(), bytes.end(), copy.get());
        LLVMFuzzerTestOneInput(copy.get(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}
