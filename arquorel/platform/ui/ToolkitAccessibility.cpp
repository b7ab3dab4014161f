// What the toolkit's views read to a screen reader when their screen sets nothing.

#include <cmath>
#include <string>

#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/Slider.h"
#include "arquorel/platform/ui/TableViewCell.h"

namespace arquorel {

namespace {

// "ovin_close" reads "ovin close".
std::string readableName(std::string name) {
    for (char& ch : name)
        if (ch == '_' || ch == '-') ch = ' ';
    return name;
}

}  // namespace

AccessibilityDefaults Control::accessibilityDefaults() const {
    AccessibilityDefaults d;
    if (isSelected()) d.traits = d.traits | AccessibilityTrait::selected;
    if (!isEnabled()) d.traits = d.traits | AccessibilityTrait::notEnabled;
    return d;
}

AccessibilityDefaults Button::accessibilityDefaults() const {
    AccessibilityDefaults d = Control::accessibilityDefaults();
    d.isElement = true;
    d.traits = d.traits | AccessibilityTrait::button;
    d.label = currentTitle();
    if (d.label.empty()) {
        if (auto image = currentImage()) d.label = readableName(image->name());
    }
    return d;
}

AccessibilityDefaults Label::accessibilityDefaults() const {
    AccessibilityDefaults d;
    d.isElement = !text().empty();
    d.label = text();
    d.traits = AccessibilityTrait::staticText;
    return d;
}

AccessibilityDefaults ImageView::accessibilityDefaults() const {
    AccessibilityDefaults d;
    const auto& label = accessibility().label;
    d.isElement = label && !label->empty();
    d.traits = AccessibilityTrait::image;
    return d;
}

AccessibilityDefaults Slider::accessibilityDefaults() const {
    AccessibilityDefaults d = Control::accessibilityDefaults();
    d.isElement = true;
    d.traits = d.traits | AccessibilityTrait::adjustable;
    const double range = maximumValue() - minimumValue();
    const double share = range > 0 ? (value() - minimumValue()) / range : 0;
    d.value = std::to_string(static_cast<int>(std::lround(share * 100))) + "%";
    return d;
}

bool Slider::accessibilityAdjust(bool up) {
    if (!isEnabled()) return false;
    const double step = (maximumValue() - minimumValue()) / 10;
    const double before = value();
    setValue(before + (up ? step : -step));
    if (value() == before) return false;
    sendActions(ControlEvent::valueChanged);
    return true;
}

AccessibilityDefaults TableViewCell::accessibilityDefaults() const {
    AccessibilityDefaults d;
    d.isElement = true;
    if (isSelected()) d.traits = AccessibilityTrait::selected;
    return d;
}

}  // namespace arquorel
