#pragma once

#include <string>

#include "core/output/mail_request.h"

namespace pelko {

// The user's mail program: it opens a new message in its own compose window, where the user
// addresses and sends it. Implemented by platform code.
class Mailer {
  public:
    virtual ~Mailer() = default;
    // Hands the message to the mail program. False when there is no usable mail program or it
    // could not be started; the caller tells the user.
    virtual bool SendMailRequest(const MailRequest& request) = 0;

    // A new message with the file attached and nothing else.
    bool SendMailWithAttachment(const std::string& path) {
        return SendMailRequest(attachmentMailRequest(path));
    }
};

}  // namespace pelko
