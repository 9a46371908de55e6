#include "core/output/mail_request.h"

#include <gtest/gtest.h>

#include "core/output/mailer.h"

namespace pelko {
namespace {

TEST(MailRequest, MessageOfARequest) {
    struct Case {
        const char* what;
        MailRequest request;
        MailMessage message;
    };
    const Case cases[] = {
        {"empty", {}, {}},
        {"one attachment", {"attachment0=/tmp/a b.png"}, {"", "", "", {"/tmp/a b.png"}}},
        {"every field",
         {"to=ann@example.org", "subject=Shot", "body=Line one", "attachment0=/a",
          "attachment1=/b"},
         {"ann@example.org", "Shot", "Line one", {"/a", "/b"}}},
        {"empty texts are absent",
         {"to=", "subject=", "body=", "attachment0=/a"},
         {"", "", "", {"/a"}}},
        {"a gap at index 1 ends the list",
         {"attachment0=/a", "attachment2=/c"},
         {"", "", "", {"/a"}}},
        {"an empty index 0 means none", {"attachment0=", "attachment1=/b"}, {}},
        {"no index 0 means none", {"attachment1=/b"}, {}},
        {"order in the list does not matter",
         {"attachment1=/b", "body=x", "attachment0=/a"},
         {"", "", "x", {"/a", "/b"}}},
        {"the first of a name counts", {"subject=one", "subject=two"}, {"", "one", "", {}}},
        {"values keep their = signs", {"body=a=b", "attachment0=/x=y"}, {"", "", "a=b", {"/x=y"}}},
        {"names are whole names", {"tox=1", "t=2", "attachment00=/a", "Subject=S"}, {}},
        {"texts without = are ignored", {"to", "attachment0"}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mailMessageOf(c.request), c.message) << c.what;
    }
}

TEST(MailRequest, AttachmentRequestHasOnlyTheFile) {
    EXPECT_EQ(attachmentMailRequest("/run/user/1/~pelko/2024-3-5~9-7-2.jpg"),
              MailRequest{"attachment0=/run/user/1/~pelko/2024-3-5~9-7-2.jpg"});
}

TEST(MailRequest, SendMailWithAttachmentHandsTheRequestOnAndReportsTheOutcome) {
    struct Recorder : Mailer {
        bool available = true;
        std::vector<MailRequest> requests;
        bool SendMailRequest(const MailRequest& request) override {
            requests.push_back(request);
            return available;
        }
    } mailer;
    EXPECT_TRUE(mailer.SendMailWithAttachment("/s/a.png"));
    mailer.available = false;
    EXPECT_FALSE(mailer.SendMailWithAttachment("/s/b.png"));
    EXPECT_EQ(mailer.requests,
              (std::vector<MailRequest>{{"attachment0=/s/a.png"}, {"attachment0=/s/b.png"}}));
}

}  // namespace
}  // namespace pelko
