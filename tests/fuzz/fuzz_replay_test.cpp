// Every input stored for a fuzz target (tests/data/fuzz/<target>/: the seeds and the inputs
// that once broke the target) goes through the same function the fuzzer runs, so the normal
// and the sanitizer builds keep every finding fixed. The decoders' stored inputs are replayed
// by DamagedInput.EarlierFailuresStayFixed, which also wants each of them refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_entries.h"

namespace pelko::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    Entry entry;
};

std::vector<Target> targets() {
    std::vector<Target> all{{"tray_message", fuzzTrayMessage},
                            {"ini_file", fuzzIniFile},
                            {"hotkey_value", fuzzHotkeyValue}};
#ifdef PELKO_FUZZ_WITH_JSON
    all.push_back({"json", fuzzJson});
#endif
    return all;
}

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(StoredFuzzInputs, KeepEveryInvariant) {
    for (const Target& target : targets()) {
        const fs::path dir = fs::path(PELKO_FUZZ_DATA) / target.name;
        int inputs = 0;
        if (fs::is_directory(dir)) {
            for (const auto& entry : fs::directory_iterator(dir)) {
                SCOPED_TRACE(entry.path().string());
                ++inputs;
                const std::vector<std::uint8_t> bytes = bytesOf(entry.path());
                try {
                    target.entry(bytes.data(), bytes.size());
                } catch (const Finding& finding) {
                    ADD_FAILURE() << "broken: " << finding.what();
                }
            }
        }
        EXPECT_GT(inputs, 0) << "no stored inputs under " << dir;
    }
}

}  // namespace
}  // namespace pelko::fuzz
