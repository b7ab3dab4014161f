#include "arquorel/platform/web/ShareSheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

TEST(ShareSheetTest, TheDeviceRecordsWhatWasSharedAndTheSheetReportsThePick) {
    sim::SimPlatform device;
    platformContext().console().startCapture();
    auto window = std::make_shared<Window>();
    auto root = std::make_shared<ViewController>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    device.runPending();
    auto anchor = std::make_shared<View>(Rect{10, 10, 40, 40});
    anchor->setIdentifier("shareButton");
    root->view()->addSubview(anchor);

    const std::vector<ShareItem> items = {ShareItem::text("Casino de Monte-Carlo"),
                                          ShareItem::url("https://casino.example/")};
    std::vector<std::string> picks;
    for (const char* activity : {"copy", ""}) {
        auto sheet = ShareSheetController::create(items);
        sheet->popoverSourceView = anchor;
        sheet->completion = [&](const std::string& a, bool completed) {
            picks.push_back(a + (completed ? " done" : " cancelled"));
        };
        root->present(sheet, true);
        device.advance(1);
        EXPECT_EQ(root->presentedViewController(), sheet);
        if (*activity) {
            EXPECT_TRUE(sheet->pick(activity));
        } else {
            sim::TouchDriver touch(device);
            EXPECT_TRUE(touch.tap("shareSheet.cancel"));
        }
        device.advance(1);
        EXPECT_EQ(root->presentedViewController(), nullptr);
        EXPECT_FALSE(sheet->pick("copy")) << "a sheet that is gone picks nothing";
    }
    EXPECT_EQ(picks, (std::vector<std::string>{"copy done", " cancelled"}));
    // Each sheet handed its items over once, with the anchor it popped out of.
    EXPECT_EQ(device.shareService().shared(),
              (std::vector<ShareRecord>{{items, "shareButton"}, {items, "shareButton"}}));
    EXPECT_EQ(platformContext().console().lines().size(), 2u);
}

}  // namespace
}  // namespace arquorel
