#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pelko {

// The one error type of Pelko. Its message is the text the user sees in the error box.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The error of a feature this version does not have: ""<what>" is not available in this
// version of Pelko".
Error notAvailable(std::string_view what);

// Replaces each "%s" of a message template by the next argument, in order.
std::string formatMessage(std::string_view templ, std::initializer_list<std::string_view> args);

}  // namespace pelko
