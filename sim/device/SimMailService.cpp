#include "sim/device/SimMailService.h"

#include "arquorel/platform/runtime/MainLoop.h"

namespace arquorel::sim {

void SimMailService::compose(const MailDraft& draft, Completion completion) {
    MailComposeOutcome outcome = outcome_;
    if (account_) {
        drafts_.push_back(draft);
    } else {
        outcome = {MailComposeResult::failed, "no mail account"};
    }
    if (!completion) return;
    loop_.async([completion = std::move(completion), outcome] { completion(outcome); });
}

}  // namespace arquorel::sim
