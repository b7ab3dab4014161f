#include "arquorel/platform/ui/AlertController.h"

#include <algorithm>
#include <utility>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Label.h"
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

namespace {

constexpr Color kDestructiveRed{1, 59.0 / 255, 48.0 / 255, 1};
constexpr Color kSeparator{0.78, 0.78, 0.8, 1};
constexpr Color kSheetBackground{0.97, 0.97, 0.97, 1};

// The dimmed screen with the alert's box: a centred card for alerts, cards at the bottom for
// action sheets (the cancel action in a card of its own). Rebuilt at every layout pass.
class AlertView final : public View {
  public:
    AlertView(Rect frame, std::weak_ptr<ViewController> owner)
        : View(frame), owner_(std::move(owner)) {
        setBackgroundColor(Color{0, 0, 0, 0.4});
    }

  protected:
    void layoutSubviews() override {
        auto alert = std::static_pointer_cast<AlertController>(owner_.lock());
        if (!alert) return;
        const auto children = subviews();
        for (const auto& v : children) v->removeFromSuperview();
        if (alert->preferredStyle() == AlertStyle::alert) {
            buildAlert(*alert);
        } else {
            buildSheet(*alert);
        }
    }

  private:
    std::shared_ptr<Label> text(const std::string& value, Font font, const Color& color,
                                double width) {
        auto label = std::make_shared<Label>(Rect{}, value);
        label->setFont(std::move(font));
        label->setTextColor(color);
        label->setTextAlignment(TextAlignment::center);
        label->setNumberOfLines(0);
        const Size size = label->sizeThatFits({width, 0});
        label->setFrame({0, 0, width, size.height});
        return label;
    }

    std::shared_ptr<Button> button(const AlertAction& action, Rect frame, bool sheet) {
        auto b = std::make_shared<Button>(frame);
        b->setIdentifier("alert." + action.title);
        b->setTitle(action.title);
        b->setTitleFont(action.style == AlertActionStyle::cancel ? Font::boldSystem(sheet ? 20 : 17)
                                                                 : Font::system(sheet ? 20 : 17));
        b->setTitleColor(action.style == AlertActionStyle::destructive ? kDestructiveRed
                                                                       : kSystemBlue);
        b->setTitleColor(kLightGray, ControlState::disabled);
        b->setEnabled(action.enabled);
        b->addAction(ControlEvent::touchUpInside, [owner = owner_, title = action.title](Control&) {
            if (auto a = std::static_pointer_cast<AlertController>(owner.lock()))
                a->pickAction(title);
        });
        return b;
    }

    void line(View& box, Rect frame) {
        auto separator = std::make_shared<View>(frame);
        separator->setBackgroundColor(kSeparator);
        box.addSubview(separator);
    }

    // Title and message stacked from `top`; returns the y below them.
    double header(const AlertController& alert, View& box, double top, double width, bool sheet) {
        const Color color = sheet ? Color{0.56, 0.56, 0.58, 1} : Color::black();
        bool first = true;  // the title: read as a heading
        for (const auto& [value, font] :
             {std::pair{alert.title(), sheet ? Font::boldSystem(13) : Font::boldSystem(17)},
              std::pair{alert.message(), Font::system(13)}}) {
            const bool title = std::exchange(first, false);
            if (value.empty()) continue;
            auto label = text(value, font, color, width - 32);
            if (title) label->accessibility().traits = AccessibilityTrait::header;
            label->setFrame({16, top, width - 32, label->frame().height()});
            box.addSubview(label);
            top = label->frame().maxY() + 4;
        }
        return top;
    }

    void buildAlert(const AlertController& alert) {
        constexpr double width = 270, buttonHeight = 44;
        auto box = std::make_shared<View>();
        box->setIdentifier("alert");
        box->setBackgroundColor(kSheetBackground);
        box->layer().cornerRadius = 14;
        box->setClipsToBounds(true);
        double y = header(alert, *box, 20, width, false) + 16;
        const auto& actions = alert.actions();
        if (actions.size() == 2) {
            line(*box, {0, y, width, 0.5});
            line(*box, {width / 2, y, 0.5, buttonHeight});
            box->addSubview(button(actions[0], {0, y, width / 2, buttonHeight}, false));
            box->addSubview(button(actions[1], {width / 2, y, width / 2, buttonHeight}, false));
            y += buttonHeight;
        } else {
            for (const auto& action : actions) {
                line(*box, {0, y, width, 0.5});
                box->addSubview(button(action, {0, y, width, buttonHeight}, false));
                y += buttonHeight;
            }
        }
        const auto b = bounds();
        box->setFrame({(b.width() - width) / 2, (b.height() - y) / 2, width, y});
        addSubview(box);
    }

    void buildSheet(const AlertController& alert) {
        constexpr double margin = 8, buttonHeight = 57;
        const auto b = bounds();
        const double width = b.width() - 2 * margin;
        auto card = [&](const char* identifier) {
            auto v = std::make_shared<View>();
            v->setIdentifier(identifier);
            v->setBackgroundColor(kSheetBackground);
            v->layer().cornerRadius = 14;
            v->setClipsToBounds(true);
            return v;
        };
        auto box = card("actionSheet");
        double y = header(alert, *box, 14, width, true);
        if (y > 14) y += 10;
        const AlertAction* cancel = nullptr;
        for (const auto& action : alert.actions()) {
            if (action.style == AlertActionStyle::cancel) {
                cancel = &action;
                continue;
            }
            if (y > 0) line(*box, {0, y, width, 0.5});
            box->addSubview(button(action, {0, y, width, buttonHeight}, true));
            y += buttonHeight;
        }
        double bottom = b.height() - margin - 34;  // above the home indicator
        if (cancel) {
            auto cancelBox = card("actionSheetCancel");
            cancelBox->setBackgroundColor(Color::white());
            cancelBox->addSubview(button(*cancel, {0, 0, width, buttonHeight}, true));
            cancelBox->setFrame({margin, bottom - buttonHeight, width, buttonHeight});
            addSubview(cancelBox);
            bottom -= buttonHeight + margin;
        }
        box->setFrame({margin, bottom - y, width, y});
        insertSubview(box, 0);
    }

    std::weak_ptr<ViewController> owner_;
};

}  // namespace

void AlertController::loadView() {
    setView(std::make_shared<AlertView>(platformContext().device().mainScreenBounds(),
                                        weak_from_this()));
    // A reader's escape picks the cancel action, as a tap on it would.
    view()->accessibility().escape = [weak = weak_from_this()] {
        auto alert = std::static_pointer_cast<AlertController>(weak.lock());
        if (!alert) return false;
        for (const auto& a : alert->actions())
            if (a.style == AlertActionStyle::cancel && a.enabled) return alert->pickAction(a.title);
        return false;
    };
}

}  // namespace arquorel
