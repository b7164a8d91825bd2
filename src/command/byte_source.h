#pragma once
// Where the command stream's bytes come from: standard input in the program,
// a string in tests.

#include <cstddef>
#include <string_view>

namespace varnex {

class ByteSource {
public:
    static constexpr int kEnd = -1;
    virtual ~ByteSource() = default;
    // The next byte as 0..255, or kEnd at the end of input (a read error
    // counts as the end of input).
    virtual int Next() = 0;
};

// Standard input, read in large blocks and handed out byte by byte.
class StdinByteSource final : public ByteSource {
public:
    int Next() override;

private:
    unsigned char buffer_[65536];
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    bool ended_ = false;
};

// A fixed string of bytes.
class StringByteSource final : public ByteSource {
public:
    explicit StringByteSource(std::string_view bytes) : bytes_(bytes) {}
    int Next() override {
        if (position_ >= bytes_.size()) return kEnd;
        return static_cast<unsigned char>(bytes_[position_++]);
    }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

}  // namespace varnex
