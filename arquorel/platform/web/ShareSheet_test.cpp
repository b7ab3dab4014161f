#include "arquorel/platform/web/ShareSheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Font.h"
#include "arquorel/platform/ui/Label.h"
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

// The labels of the sheet's card: what it lists, in order, with whether each shows as a link.
std::vector<std::string> listed(ShareSheetController& sheet) {
    std::vector<std::string> out;
    for (const auto& v : sheet.view()->subviews()) {
        if (v->identifier() != "shareSheet") continue;
        for (const auto& row : v->subviews())
            if (auto label = std::dynamic_pointer_cast<Label>(row))
                out.push_back(label->text() + (label->textColor() == kSystemBlue ? " (link)" : ""));
    }
    return out;
}

TEST(ShareSheetTest, ListsItsItemsAndHandsThemOverOnceWhenShown) {
    sim::SimPlatform device;
    platformContext().console().startCapture();
    auto window = std::make_shared<Window>();
    auto root = std::make_shared<ViewController>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    device.runPending();

    const std::vector<ShareItem> items = {ShareItem::url("https://oceano.example/"),
                                          ShareItem::text("Musée océanographique")};
    auto sheet = ShareSheetController::create(items);
    {
        auto gone = std::make_shared<View>();
        gone->setIdentifier("shareButton");
        sheet->popoverSourceView = gone;
    }
    bool sheetGoneFirst = false;
    int completions = 0;
    sheet->completion = [&](const std::string&, bool) {
        ++completions;
        sheetGoneFirst = root->presentedViewController() == nullptr;
    };
    EXPECT_FALSE(sheet->pick("copy")) << "not presented yet";
    EXPECT_TRUE(device.shareService().shared().empty());
    root->present(sheet, true);
    device.advance(1);
    EXPECT_EQ(listed(*sheet), (std::vector<std::string>{"https://oceano.example/ (link)",
                                                        "Musée océanographique"}));
    // Covered by another screen and shown again: nothing is handed over twice.
    auto cover = std::make_shared<ViewController>();
    sheet->present(cover, false);
    device.advance(1);
    cover->dismiss(false);
    device.advance(1);
    // The anchor view is gone: no anchor.
    EXPECT_EQ(device.shareService().shared(), (std::vector<ShareRecord>{{items, ""}}));
    EXPECT_TRUE(sheet->pick("mail"));
    EXPECT_EQ(completions, 0) << "the completion waits for the sheet to be gone";
    device.advance(1);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(sheetGoneFirst);
}

}  // namespace
}  // namespace arquorel
