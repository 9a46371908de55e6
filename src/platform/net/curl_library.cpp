#include "platform/net/curl_library.h"

#include <dlfcn.h>

#include <string>

#include "core/error.h"

namespace pelko {
namespace {

template <class Function>
void bind(void* library, Function& function, const char* name) {
    void* symbol = dlsym(library, name);
    if (!symbol) {
        throw Error(std::string("Cannot load libcurl: ") + name + " is missing");
    }
    function = reinterpret_cast<Function>(symbol);
}

CurlLibrary load() {
    // The handle is never closed: libcurl's global state and its threads live as long as the
    // program.
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        throw Error(std::string("Cannot load libcurl: ") + (reason ? reason : "unknown error"));
    }
    CurlLibrary api{};
    bind(library, api.global_init, "curl_global_init");
    bind(library, api.global_cleanup, "curl_global_cleanup");
    bind(library, api.easy_init, "curl_easy_init");
    bind(library, api.easy_cleanup, "curl_easy_cleanup");
    bind(library, api.easy_setopt, "curl_easy_setopt");
    bind(library, api.easy_getinfo, "curl_easy_getinfo");
    bind(library, api.easy_strerror, "curl_easy_strerror");
    bind(library, api.multi_init, "curl_multi_init");
    bind(library, api.multi_cleanup, "curl_multi_cleanup");
    bind(library, api.multi_add_handle, "curl_multi_add_handle");
    bind(library, api.multi_remove_handle, "curl_multi_remove_handle");
    bind(library, api.multi_perform, "curl_multi_perform");
    bind(library, api.multi_info_read, "curl_multi_info_read");
    bind(library, api.multi_poll, "curl_multi_poll");
    bind(library, api.multi_wakeup, "curl_multi_wakeup");
    bind(library, api.multi_strerror, "curl_multi_strerror");
    return api;
}

}  // namespace

const CurlLibrary& curlLibrary() {
    static const CurlLibrary api = load();  // a throw leaves it unset for the next call
    return api;
}

}  // namespace pelko
