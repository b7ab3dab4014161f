#include "sim/host/ArDemo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Slider.h"

namespace arquorel::sim {

std::string formatDistance(double metres) {
    char text[32];
    if (!std::isfinite(metres) || metres < 0) return "?";
    if (metres < 1000) {
        std::snprintf(text, sizeof text, "%.0f m", metres);
    } else {
        std::snprintf(text, sizeof text, "%.1f km", metres / 1000);
    }
    return text;
}

namespace {

constexpr double kCardCornerRadius = 10;
constexpr double kCardPadding = 0.06;  // of the card's width

}  // namespace

DemoCard::DemoCard(Rect frame) : ARAnnotationView(frame) {
    setBackgroundColor(Color::white());
    layer().cornerRadius = kCardCornerRadius;
    layer().shadowOpacity = 0.35;
    layer().shadowOffset = {0, 2};
    layer().shadowRadius = 4;
}

void DemoCard::configureCard() {
    ++configureCount;
    auto place = std::dynamic_pointer_cast<Place>(annotation());
    std::string text = place && place->property ? place->property->displayTitle() : std::string();
    if (text != title) {
        title = std::move(text);
        setNeedsDisplay();
    }
    refreshCard();
}

void DemoCard::refreshCard() {
    auto a = annotation();
    if (!a) return;
    std::string text = formatDistance(a->distanceFromUser());
    if (text == distanceText) return;
    distanceText = std::move(text);
    setNeedsDisplay();
}

const DemoCard::Texts& DemoCard::texts() const {
    const Size size = bounds().size;
    if (texts_.titleLayout && texts_.title == title && texts_.distance == distanceText &&
        texts_.size == size)
        return texts_;
    // Type scaled with the card, so that the larger main card reads larger.
    const double padding = size.width * kCardPadding;
    const double inner = std::max(0.0, size.width - 2 * padding);
    TextStyle titleStyle;
    titleStyle.fontSize = std::max(6.0, size.width * 0.085);
    titleStyle.weight = FontWeight::bold;
    titleStyle.color = Color{0.1, 0.1, 0.12, 1};
    titleStyle.maxLines = 2;
    titleStyle.lineBreak = LineBreakMode::truncateTail;
    TextStyle distanceStyle;
    distanceStyle.fontSize = std::max(5.0, size.width * 0.075);
    distanceStyle.color = Color{0.0, 0.42, 0.75, 1};
    auto& engine = platformContext().textEngine();
    texts_ = {title, distanceText, size, engine.layout(title, titleStyle, inner),
              engine.layout(distanceText, distanceStyle, inner)};
    return texts_;
}

void DemoCard::draw(Painter& painter) const {
    const Texts& t = texts();
    const double padding = bounds().width() * kCardPadding;
    painter.drawText(t.titleLayout, {padding, padding});
    painter.drawText(t.distanceLayout,
                     {padding, bounds().height() - padding - t.distanceLayout->size().height});
}

AccessibilityDefaults DemoCard::accessibilityDefaults() const {
    AccessibilityDefaults d;
    d.isElement = !title.empty();
    d.traits = AccessibilityTrait::button;
    d.label = title;
    if (!distanceText.empty()) d.label += ", " + distanceText;
    return d;
}

void DemoCard::describe(ViewDescription& description) const {
    ARAnnotationView::describe(description);
    description.add("title", title);
    description.add("distance", distanceText);
}

std::shared_ptr<ArDemo> ArDemo::create(Size screen) {
    auto& device = platformContext().device();
    device.setMainScreenBounds({0, 0, screen.width, screen.height});
    device.setInterfaceOrientation(InterfaceOrientation::portrait);
    auto demo = ARViewController::make<ArDemo>();
    demo->view()->setFrame({0, 0, screen.width, screen.height});
    demo->viewDidLayoutSubviews();
    return demo;
}

void ArDemo::initialize() {
    ARViewController::initialize();
    setDataSource(std::static_pointer_cast<ArDemo>(shared_from_this()));
    trackingManager().setLocDelegate(std::static_pointer_cast<ArDemo>(shared_from_this()));
}

void ArDemo::firstLayoutSteps() {
    ARViewController::firstLayoutSteps();
    if (attribution.empty()) return;
    attributionLabel_ = std::make_shared<Label>(Rect{}, attribution);
    attributionLabel_->setIdentifier("attribution");
    attributionLabel_->setFont(Font::system(9));
    attributionLabel_->setTextColor(Color::white());
    attributionLabel_->setBackgroundColor(Color::black().withAlpha(0.45));
    attributionLabel_->setTextAlignment(TextAlignment::center);
    attributionLabel_->setUserInteractionEnabled(false);
    view()->addSubview(attributionLabel_);
}

void ArDemo::layoutSteps() {
    ARViewController::layoutSteps();
    if (!attributionLabel_) return;
    // Bottom right, above the debug label and left of the pitch slider when they are shown.
    attributionLabel_->sizeToFit();
    const Rect bounds = view()->bounds();
    double bottom = bounds.height() - 24;
    if (const auto& label = debugLabel()) bottom = std::min(bottom, label->frame().minY() - 4);
    const Size size{attributionLabel_->frame().width() + 8,
                    attributionLabel_->frame().height() + 2};
    double right = bounds.width() - 4;
    if (const auto& slider = debugPitchSlider())
        right = std::min(right, slider->frame().minX() - 4);
    attributionLabel_->setFrame(
        {right - size.width, bottom - size.height, size.width, size.height});
}

void ArDemo::setRecords(std::vector<std::shared_ptr<QuorelProperty>> records) {
    records_ = std::move(records);
    setAnnotations(makeAnnotations());
}

void ArDemo::displayTimerTick() {
    ++frames_;
    ARViewController::displayTimerTick();
}

std::vector<std::shared_ptr<ARAnnotation>> ArDemo::makeAnnotations() const {
    std::vector<std::shared_ptr<ARAnnotation>> annotations;
    annotations.reserve(records_.size());
    for (const auto& record : records_)
        if (auto place = Place::create(record)) annotations.push_back(std::move(place));
    return annotations;
}

std::shared_ptr<ARAnnotationView> ArDemo::viewForAnnotation(ARController&,
                                                            const std::shared_ptr<ARAnnotation>&) {
    // Cards come with their base size, so that the first placement can centre them.
    const auto& factors = annotationViewSizeFactors();
    const double width = view()->bounds().width() * factors.width;
    return ARAnnotationView::make<DemoCard>(Rect{0, 0, width, width * factors.height});
}

void ArDemo::didUpdateLocation(ARTrackingManager&, const Location& location) {
    const bool first = !arStatus().userLocation.has_value();
    mutableArStatus().userLocation = location;
    reload(first ? ReloadType::annotationsChanged : ReloadType::userLocationChanged);
}

void ArDemo::didUpdateReloadLocation(ARTrackingManager&, const Location& location) {
    mutableArStatus().userLocation = location;
    // New places around the new reload location: new annotations, so a full rebuild.
    setAnnotations(makeAnnotations());
    if (onReloadLocation) onReloadLocation(location);
}

}  // namespace arquorel::sim
