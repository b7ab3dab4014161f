#pragma once
// Sharing on the simulated device: every share sheet's items are recorded in order.

#include <vector>

#include "arquorel/platform/web/ShareSheet.h"

namespace arquorel::sim {

class SimShareService final : public ShareService {
  public:
    void share(const ShareRecord& record) override { shared_.push_back(record); }
    const std::vector<ShareRecord>& shared() const { return shared_; }

  private:
    std::vector<ShareRecord> shared_;
};

}  // namespace arquorel::sim
