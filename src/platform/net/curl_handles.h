#pragma once

#include <curl/curl.h>

#include <memory>

#include "platform/net/curl_library.h"

namespace pelko {

// Owners of libcurl's handles: each is cleaned up at the end of its scope.
struct CurlEasyDeleter {
    void operator()(CURL* h) const { curlLibrary().easy_cleanup(h); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* h) const { curlLibrary().multi_cleanup(h); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

// libcurl's global state, held while an object that uses libcurl lives (libcurl counts the
// holders).
class CurlGlobal {
  public:
    CurlGlobal() { curlLibrary().global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlGlobal() { curlLibrary().global_cleanup(); }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
};

}  // namespace pelko
