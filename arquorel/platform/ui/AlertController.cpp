#include "arquorel/platform/ui/AlertController.h"

#include <algorithm>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

AlertController::AlertController(std::string title, std::string message, AlertStyle style)
    : message_(std::move(message)), style_(style) {
    setTitle(std::move(title));
    setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
}

std::shared_ptr<AlertController> AlertController::create(std::string title, std::string message,
                                                         AlertStyle style) {
    return std::make_shared<AlertController>(std::move(title), std::move(message), style);
}

void AlertController::addAction(AlertAction action) {
    if (action.style == AlertActionStyle::cancel &&
        std::any_of(actions_.begin(), actions_.end(),
                    [](const auto& a) { return a.style == AlertActionStyle::cancel; })) {
        platformContext().console().writeLine("Alert '" + title() +
                                              "' already has a cancel action; '" + action.title +
                                              "' is not added");
        return;
    }
    actions_.push_back(std::move(action));
}

bool AlertController::pickAction(const std::string& title) {
    auto& console = platformContext().console();
    const auto state = presentationState();
    if (state != PresentationState::presenting && state != PresentationState::shown) {
        console.writeLine("Alert '" + this->title() + "' is not on screen; '" + title +
                          "' cannot be picked");
        return false;
    }
    auto it = std::find_if(actions_.begin(), actions_.end(),
                           [&](const auto& a) { return a.title == title && a.enabled; });
    if (it == actions_.end()) {
        console.writeLine("Alert '" + this->title() + "' has no action titled '" + title + "'");
        return false;
    }
    auto action = *it;
    dismiss(true, [action] {
        if (action.handler) action.handler(action);
    });
    return true;
}

void AlertController::loadView() {
    auto view = std::make_shared<View>(platformContext().device().mainScreenBounds());
    view->setBackgroundColor(Color{0, 0, 0, 0.4});
    setView(view);
}

}  // namespace arquorel
