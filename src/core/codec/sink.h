#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelko {

// Where encoders put their bytes: a file, a memory buffer, the clipboard.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(const std::uint8_t* data, std::size_t size) = 0;
};

class VectorSink final : public ByteSink {
  public:
    void write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    std::vector<std::uint8_t> bytes;
};

}  // namespace pelko
