#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/codec/sink.h"

namespace pelko {

// A new image file. Bytes are buffered and written in large blocks. Unless commit() is
// called, the destructor removes the file again, so a failed encode leaves no broken image.
class FileSink final : public ByteSink {
  public:
    enum class Mode { Replace, CreateNew };
    // Opens path; throws "Cannot create file "<path>". <reason>". With CreateNew an existing
    // file is never touched: exists() then tells the caller to pick another name.
    FileSink(std::string path, Mode mode);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool exists() const { return m_exists; }
    void write(const std::uint8_t* data, std::size_t size) override;
    // Writes what is buffered and closes the file; throws when the data did not reach it.
    void commit();

  private:
    void flush();

    std::string m_path;
    int m_fd = -1;
    bool m_exists = false;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace pelko
