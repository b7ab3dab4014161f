#pragma once
// Mail on the simulated device: an account that can be taken away, composers that end as the
// test or scenario says (sent unless told otherwise) and a record of every draft.

#include <vector>

#include "arquorel/platform/system/MailService.h"

namespace arquorel {
class MainLoop;
}

namespace arquorel::sim {

class SimMailService final : public MailService {
  public:
    explicit SimMailService(MainLoop& loop) : loop_(loop) {}

    bool canSendMail() const override { return account_; }
    void compose(const MailDraft& draft, Completion completion) override;

    void setAccount(bool configured) { account_ = configured; }
    // How the next composers end (the user sends, saves, cancels, or sending fails).
    void setOutcome(MailComposeOutcome outcome) { outcome_ = std::move(outcome); }
    const std::vector<MailDraft>& drafts() const { return drafts_; }

  private:
    MainLoop& loop_;
    bool account_ = true;
    MailComposeOutcome outcome_{MailComposeResult::sent, {}};
    std::vector<MailDraft> drafts_;
};

}  // namespace arquorel::sim
