#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/output/mailer.h"

namespace pelko {

// The arguments of xdg-email for a message: [--subject S] [--body B] --attach FILE ...
// [ADDRESS]. An address that would read as an option is given as a mailto: link.
std::vector<std::string> xdgEmailArguments(const MailMessage& message);

// The desktop's mail program through xdg-email. It is available when xdg-email is found on
// PATH; the search is made on first use and its outcome kept, so it happens once for the
// program (one object per process).
class XdgEmailMailer final : public Mailer {
  public:
    // Starts xdg-email detached with the message. False when xdg-email is not available or
    // could not be started; what the mail program does afterwards is not waited for.
    bool SendMailRequest(const MailRequest& request) override;

    // The xdg-email found on first use; none when there is none.
    const std::optional<std::string>& program();

  private:
    bool m_searched = false;
    std::optional<std::string> m_program;
};

}  // namespace pelko
