#pragma once
// Composing mail: whether the device has a mail account, and a composer that the user
// completes, saves, cancels or that fails to send. A backend installs the service in the
// platform context.

#include <functional>
#include <string>
#include <vector>

namespace arquorel {

struct MailDraft {
    std::vector<std::string> recipients;
    std::string subject;
    std::string body;
    friend bool operator==(const MailDraft&, const MailDraft&) = default;
};

enum class MailComposeResult { cancelled, saved, sent, failed };

struct MailComposeOutcome {
    MailComposeResult result = MailComposeResult::cancelled;
    std::string error;  // the reason, when the result is failed
    friend bool operator==(const MailComposeOutcome&, const MailComposeOutcome&) = default;
};

class MailService {
  public:
    using Completion = std::function<void(const MailComposeOutcome&)>;
    virtual ~MailService() = default;
    virtual bool canSendMail() const = 0;
    // Shows a composer with the draft; the completion runs on the main loop once the composer
    // has closed. Without a mail account it finishes at once as failed.
    virtual void compose(const MailDraft& draft, Completion completion) = 0;
};

}  // namespace arquorel
