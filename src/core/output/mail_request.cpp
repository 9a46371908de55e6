#include "core/output/mail_request.h"

namespace pelko {

std::string mailRequestValue(const MailRequest& request, std::string_view name) {
    for (const std::string& text : request) {
        if (text.size() > name.size() && text[name.size()] == '=' && text.starts_with(name)) {
            return text.substr(name.size() + 1);
        }
    }
    return {};
}

MailRequest attachmentMailRequest(const std::string& path) {
    return {"attachment0=" + path};
}

MailMessage mailMessageOf(const MailRequest& request) {
    MailMessage message;
    message.to = mailRequestValue(request, "to");
    message.subject = mailRequestValue(request, "subject");
    message.body = mailRequestValue(request, "body");
    for (int index = 0;; ++index) {
        std::string path = mailRequestValue(request, "attachment" + std::to_string(index));
        if (path.empty()) {
            break;
        }
        message.attachments.push_back(std::move(path));
    }
    return message;
}

}  // namespace pelko
