#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/codec/sink.h"
#include "core/large_allocator.h"
#include "core/temp_file.h"

namespace pelko {

// A new image file. Bytes are buffered and written in large blocks to a temporary file beside
// the target; only a finished file appears under its name, in one step. Unless it is committed,
// the destructor removes the temporary file again, so neither a failed encode nor a killed
// process leaves a broken image behind (a killed process's temporary file goes at the next
// write into that folder).
class FileSink final : public ByteSink {
  public:
    // Opens the temporary file in the folder of path; throws "Cannot create file "<path>".
    // <reason>".
    explicit FileSink(std::string path);
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void write(const std::uint8_t* data, std::size_t size) override;
    // Publishes the file under path, replacing any file there.
    void commitReplace();
    // Publishes the file as stem + ext, or when that name exists as stem + " (2)" + ext,
    // " (3)" and so on, never touching an existing file. Returns the path used.
    std::string commitNew(const std::string& stem, std::string_view ext);

  private:
    void flush();
    void writeAll(const std::uint8_t* data, std::size_t size);
    void finish();
    [[noreturn]] void fail(const char* message, const std::string& path, int error) const;

    std::string m_path;
    TempFile m_file;
    ByteBuffer m_buffer;  // mapped on its own: a fresh buffer costs one page fault, not 256
};

}  // namespace pelko
