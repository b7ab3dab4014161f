#pragma once
// Alerts and action sheets: a title, a message and buttons (actions) with styles, presented
// over the current screen (which stays on screen). Picking an action, as a user's tap on its
// button would, dismisses the alert and then runs the action's handler.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

enum class AlertActionStyle { defaultStyle, cancel, destructive };
enum class AlertStyle { alert, actionSheet };

struct AlertAction {
    std::string title;
    AlertActionStyle style = AlertActionStyle::defaultStyle;
    std::function<void(const AlertAction&)> handler;
    bool enabled = true;
};

class AlertController : public ViewController {
  public:
    AlertController(std::string title, std::string message, AlertStyle style = AlertStyle::alert);
    static std::shared_ptr<AlertController> create(std::string title, std::string message,
                                                   AlertStyle style = AlertStyle::alert);

    const std::string& message() const { return message_; }
    void setMessage(std::string message) { message_ = std::move(message); }
    AlertStyle preferredStyle() const { return style_; }

    // Adds a button. A second cancel action is refused with one console line.
    void addAction(AlertAction action);
    const std::vector<AlertAction>& actions() const { return actions_; }

    // Picks the enabled action with that title. False, with one console line, when the alert
    // is not presented (or already leaving) or has no such action.
    bool pickAction(const std::string& title);

    // Where an action sheet points from when it shows as a popover (tablets).
    std::weak_ptr<View> popoverSourceView;
    Rect popoverSourceRect;

    void loadView() override;

  private:
    std::string message_;
    AlertStyle style_;
    std::vector<AlertAction> actions_;
};

}  // namespace arquorel
