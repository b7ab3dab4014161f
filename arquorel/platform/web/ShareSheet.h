#pragma once
// The system share sheet: a screen presented over the current one with the items to share
// (texts and addresses). On a tablet it pops out of an anchor view. When it has appeared it
// hands its items to the installed ShareService (the system's sharing; the simulated device
// records them). The user then picks an activity or cancels; either dismisses the sheet and
// runs the completion with the activity (empty when cancelled).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

class View;

struct ShareItem {
    enum class Kind { text, url };
    Kind kind = Kind::text;
    std::string value;
    static ShareItem text(std::string value) { return {Kind::text, std::move(value)}; }
    static ShareItem url(std::string value) { return {Kind::url, std::move(value)}; }
    friend bool operator==(const ShareItem&, const ShareItem&) = default;
};

// What a share sheet offered: its items and the identifier of the view it popped out of.
struct ShareRecord {
    std::vector<ShareItem> items;
    std::string anchor;
    friend bool operator==(const ShareRecord&, const ShareRecord&) = default;
};

class ShareService {
  public:
    virtual ~ShareService() = default;
    virtual void share(const ShareRecord& record) = 0;
};

class ShareSheetController : public ViewController {
  public:
    using Completion = std::function<void(const std::string& activity, bool completed)>;

    explicit ShareSheetController(std::vector<ShareItem> items);
    static std::shared_ptr<ShareSheetController> create(std::vector<ShareItem> items);

    const std::vector<ShareItem>& items() const { return items_; }
    // The view the sheet pops out of where it shows as a popover.
    std::weak_ptr<View> popoverSourceView;
    Rect popoverSourceRect;
    Completion completion;

    // The user picks an activity ("copy", "mail", ...) or cancels (an empty activity).
    // False, with one console line, when the sheet is not on screen.
    bool pick(const std::string& activity);
    bool cancel() { return pick({}); }

    void loadView() override;
    void viewDidAppear(bool animated) override;

  private:
    std::vector<ShareItem> items_;
    bool handedOver_ = false;
};

}  // namespace arquorel
