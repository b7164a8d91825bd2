// The dry run's overlay against a plain model of the file: random writes
// that overlap, touch and cover each other, kept in memory and kept in a
// temporary file, must read back as the newest bytes at every offset, and
// the stretches written must be exactly the offsets any write reached.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "dryrun/overlay_file_system.h"
#include "support/fake_file_system.h"

namespace varnex {
namespace {

constexpr std::size_t kFileSize = 1 << 16;

struct Model {
    std::vector<std::uint8_t> bytes;
    std::vector<bool> written = std::vector<bool>(kFileSize, false);
};

std::vector<WrittenStretch> ModelStretches(const Model& model) {
    std::vector<WrittenStretch> stretches;
    for (std::size_t i = 0; i < kFileSize; ++i) {
        if (!model.written[i]) continue;
        if (!stretches.empty() && stretches.back().first + stretches.back().length == i) {
            ++stretches.back().length;
        } else {
            stretches.push_back({i, 1});
        }
    }
    return stretches;
}

void WriteAt(OverlayFileSystem& overlay, Model& model, std::uint64_t position, const std::vector<std::uint8_t>& data) {
    ErrorCode error = 0;
    ASSERT_EQ(overlay.Seek(3, position, error), 0);
    const CallResult result = overlay.Write(3, data.data(), data.size(), error);
    ASSERT_FALSE(result.failed);
    ASSERT_EQ(result.moved, data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        model.bytes[position + i] = data[i];
        model.written[position + i] = true;
    }
}

// Catches a piece cut at the wrong offset when a later write covers part of
// it, and kept bytes read back from the wrong place once they are in the
// temporary file.
TEST(OverlayFileSystem, ReadsBackTheNewestBytesWhereverTheyAreKept) {
    for (const std::size_t kept_in_memory : {std::size_t{1} << 24, std::size_t{100}}) {
        SCOPED_TRACE(kept_in_memory);
        testing::FakeFileSystem file;
        std::mt19937 random(19);
        for (std::size_t i = 0; i < kFileSize; ++i) file.contents.push_back(static_cast<std::uint8_t>(random()));
        Model model{file.contents};
        OverlayFileSystem overlay(file, kept_in_memory);
        for (int write = 0; write < 400; ++write) {
            const std::size_t length = 1 + random() % 3000;
            const std::uint64_t position = random() % (kFileSize - length);
            std::vector<std::uint8_t> data(length);
            for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
            WriteAt(overlay, model, position, data);
        }
        std::vector<std::uint8_t> seen(kFileSize);
        ErrorCode error = 0;
        ASSERT_EQ(overlay.Seek(3, 0, error), 0);
        ASSERT_EQ(overlay.Read(3, seen.data(), kFileSize, error).moved, kFileSize);
        EXPECT_EQ(seen, model.bytes);
        const std::vector<WrittenStretch> stretches = overlay.WrittenStretches();
        const std::vector<WrittenStretch> expected = ModelStretches(model);
        ASSERT_EQ(stretches.size(), expected.size());
        for (std::size_t k = 0; k < stretches.size(); ++k) {
            EXPECT_EQ(stretches[k].first, expected[k].first);
            EXPECT_EQ(stretches[k].length, expected[k].length);
            std::vector<std::uint8_t> kept(stretches[k].length);
            ASSERT_TRUE(overlay.ReadWritten(stretches[k].first, kept.data(), kept.size(), error));
            EXPECT_TRUE(std::equal(kept.begin(), kept.end(), model.bytes.begin() + stretches[k].first));
        }
    }
}

}  // namespace
}  // namespace varnex
