#pragma once

#include <curl/curl.h>

namespace pelko {

// The libcurl functions the FTP client uses, from libcurl loaded at its first use: the tray
// program starts without it and the TLS, Kerberos and LDAP libraries it brings (about 5 MiB of
// resident memory while the program waits in the tray), and loads it when the first upload
// starts. It stays loaded for the rest of the program.
struct CurlLibrary {
    CURLcode (*global_init)(long flags);
    void (*global_cleanup)();
    CURL* (*easy_init)();
    void (*easy_cleanup)(CURL* easy);
    CURLcode (*easy_setopt)(CURL* easy, CURLoption option, ...);
    CURLcode (*easy_getinfo)(CURL* easy, CURLINFO info, ...);
    const char* (*easy_strerror)(CURLcode code);
    CURLM* (*multi_init)();
    CURLMcode (*multi_cleanup)(CURLM* multi);
    CURLMcode (*multi_add_handle)(CURLM* multi, CURL* easy);
    CURLMcode (*multi_remove_handle)(CURLM* multi, CURL* easy);
    CURLMcode (*multi_perform)(CURLM* multi, int* running);
    CURLMsg* (*multi_info_read)(CURLM* multi, int* queued);
    CURLMcode (*multi_poll)(CURLM* multi, curl_waitfd* extra, unsigned count, int timeoutMs,
                            int* ready);
    CURLMcode (*multi_wakeup)(CURLM* multi);
    const char* (*multi_strerror)(CURLMcode code);
};

// Loads libcurl on the first call (from any thread); throws pelko::Error "Cannot load libcurl:
// REASON" when it is missing or lacks a function, and tries again on the next call.
const CurlLibrary& curlLibrary();

}  // namespace pelko
