#include "core/error.h"

namespace pelko {

Error notAvailable(std::string_view what) {
    return Error(formatMessage("\"%s\" is not available in this version of Pelko", {what}));
}

std::string formatMessage(std::string_view templ, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] == '%' && i + 1 < templ.size() && templ[i + 1] == 's' && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += templ[i];
        }
    }
    return out;
}

}  // namespace pelko
