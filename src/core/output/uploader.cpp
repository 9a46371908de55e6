#include "core/output/uploader.h"

namespace pelko {

std::string_view fileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace pelko
