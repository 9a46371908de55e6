#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelko {

// A mail request: "name=value" texts. The names used are "to" (one recipient address),
// "subject", "body", and "attachment0", "attachment1", ... (full paths of files to attach).
using MailRequest = std::vector<std::string>;

// The message a request describes. Empty texts mean none.
struct MailMessage {
    std::string to;
    std::string subject;
    std::string body;
    std::vector<std::string> attachments;  // in index order
    friend bool operator==(const MailMessage&, const MailMessage&) = default;
};

// The value of the first "name=value" text with that name; "" when there is none.
std::string mailRequestValue(const MailRequest& request, std::string_view name);

// The request for a message with one attachment and nothing else.
MailRequest attachmentMailRequest(const std::string& path);

// Reads a request: "to", "subject" and "body" as given (absent is empty), and the attachments
// "attachment0", "attachment1", ... counted up to the first index whose value is absent or
// empty (a gap ends the list).
MailMessage mailMessageOf(const MailRequest& request);

}  // namespace pelko
