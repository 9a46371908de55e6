#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pelko {

// One press of an upload window's "Start": where to log on, the folder, the file.
struct UploadRequest {
    std::string host;  // as the user typed it: "name" or "name:port"
    std::string user;  // empty: anonymous
    std::string password;
    std::string folder;
    std::string localFile;
    std::string remoteName;  // empty: the local file's name
};

// What a start reports, from the uploader's own thread, in this order: connected (logged
// on), folderChanged, the transfer (begin with the bytes to send, work with the bytes the
// server has taken so far, end, which comes also when the transfer fails), then finished. A
// failure skips the steps after it; finished always comes, last, with the error (none after a
// success or when cancel or disconnect stopped the start) and whether the connection is still
// open.
struct UploadReports {
    std::function<void()> connected;
    std::function<void()> folderChanged;
    std::function<void(std::int64_t total)> begin;
    std::function<void(std::int64_t taken)> work;
    std::function<void()> end;
    std::function<void(std::exception_ptr error, bool connected)> finished;
};

// An upload connection, worked on a thread of its own so the window using it stays
// responsive. Starts run one after another. The network layer implements it.
class Uploader {
  public:
    virtual ~Uploader() = default;
    // Begins a start. A host text that names no server throws here, before anything runs.
    virtual void start(UploadRequest request, UploadReports reports) = 0;
    // A running transfer stops at its next progress report; then the connection is closed.
    virtual void cancel() = 0;
    // A running operation stops at once; then the connection is closed.
    virtual void disconnect() = 0;
};

// Makes the uploader of one upload window.
using MakeUploader = std::function<std::unique_ptr<Uploader>()>;

// The last part of a path, after its last "/": the name a file is uploaded under by default.
std::string_view fileNamePart(std::string_view path);

}  // namespace pelko
