#include "platform/desktop/xdg_email.h"

#include "platform/desktop/detached_process.h"
#include "platform/desktop/program_location.h"

namespace pelko {

std::vector<std::string> xdgEmailArguments(const MailMessage& message) {
    std::vector<std::string> args;
    if (!message.subject.empty()) {
        args.insert(args.end(), {"--subject", message.subject});
    }
    if (!message.body.empty()) {
        args.insert(args.end(), {"--body", message.body});
    }
    for (const std::string& file : message.attachments) {
        args.insert(args.end(), {"--attach", file});
    }
    if (!message.to.empty()) {
        args.push_back(message.to.front() == '-' ? "mailto:" + message.to : message.to);
    }
    return args;
}

const std::optional<std::string>& XdgEmailMailer::program() {
    if (!m_searched) {
        m_searched = true;
        m_program = findOnPath("xdg-email");
    }
    return m_program;
}

bool XdgEmailMailer::SendMailRequest(const MailRequest& request) {
    if (!program()) {
        return false;
    }
    return startDetached({*m_program, xdgEmailArguments(mailMessageOf(request)), {}, false, {}})
               .error == 0;
}

}  // namespace pelko
