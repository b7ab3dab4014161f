#include "arquorel/platform/ui/Slider.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(SliderTest, ValueStaysInItsRangeAndFollowsTheThumbThroughTransforms) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto slider = std::make_shared<Slider>(Rect{0, 0, 228, 30});
    slider->setMinimumValue(-180);
    slider->setMaximumValue(180);
    slider->setValue(1);
    slider->setValue(NAN);  // ignored
    EXPECT_EQ(slider->value(), 1);
    slider->setValue(500);
    EXPECT_EQ(slider->value(), 180);
    slider->setMaximumValue(-200);  // below the minimum: the minimum follows
    EXPECT_EQ(slider->minimumValue(), -200);
    EXPECT_EQ(slider->value(), -200);
    slider->setMaximumValue(180);
    slider->setMinimumValue(-180);
    slider->setValue(0);
    EXPECT_EQ(slider->thumbRect(), (Rect{100, 1, 28, 28}));  // the track runs 14..214

    // Stood on end near the right edge like the debug pitch slider: dragging up raises it.
    auto window = std::make_shared<Window>(Rect{0, 0, 300, 400});
    slider->setFrame({100, 185, 228, 30});
    slider->setTransform(Transform::rotation(-std::numbers::pi / 2));
    window->addSubview(slider);
    std::vector<double> changes;
    slider->addAction(ControlEvent::valueChanged,
                      [&](Control& c) { changes.push_back(static_cast<Slider&>(c).value()); });
    sim::TouchDriver finger(device, window);
    finger.drag({214, 200}, {214, 150}, 0.2, 2);  // the thumb sits at the centre (214, 200)
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_NEAR(changes.back(), 90, 1e-9);        // 50 of the track's 200 points
    finger.drag({214, 300}, {214, 100}, 0.2, 2);  // away from the thumb: nothing moves
    EXPECT_EQ(changes.size(), 2u);
    slider->setContinuous(false);
    finger.drag({214, 150}, {214, 50}, 0.2, 4);
    EXPECT_EQ(changes, (std::vector<double>{45, 90, 180}));  // one report, at the end
    EXPECT_EQ(slider->descriptionEntries(), (Entries{{"value", "180 in -180...180"}}));
}

// Wherever the finger grabs the thumb, the thumb stays under it: holding still changes
// nothing, and moving d points moves the thumb d points (up to the track's end).
TEST(SliderTest, AThumbGrabbedOffCentreMovesWithTheFinger) {
    const struct {
        double grab;  // from the thumb's centre
        double move;
        double thumbMoves;
    } cases[] = {
        {-20, 0, 0}, {12, 0, 0}, {12, 30, 30}, {-20, -50, -50}, {20, 150, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grab);
        sim::SimPlatform device;
        auto window = std::make_shared<Window>(Rect{0, 0, 300, 400});
        auto slider = std::make_shared<Slider>(Rect{0, 185, 228, 30});  // track 14..214
        slider->setMaximumValue(200);
        slider->setValue(100);
        window->addSubview(slider);
        const double centre = slider->thumbRect().midX();
        sim::TouchDriver finger(device, window);
        finger.drag({centre + c.grab, 200}, {centre + c.grab + c.move, 200}, 0.2, 2);
        EXPECT_DOUBLE_EQ(slider->thumbRect().midX() - centre, c.thumbMoves) << c.move;
    }
}

}  // namespace
}  // namespace arquorel
