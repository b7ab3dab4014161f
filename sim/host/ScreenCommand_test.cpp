#include "sim/host/ScreenCommand.h"

#include <gtest/gtest.h>

namespace arquorel::sim {
namespace {

std::vector<std::string> line(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--places", "p.json",  "--at", "43.7,7.4", "--heading",
                                     "80",       "--pitch", "-10",  "--png",    "out.png"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

TEST(ScreenCommandTest, ParsesTheRequestWithItsDefaults) {
    std::string error;
    auto r = parseScreenRequest(line({}), error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->screen, (Size{375, 812}));
    EXPECT_EQ(r->scale, 2);
    EXPECT_EQ(r->language, "en");
    EXPECT_EQ(r->camera, CameraChoice::back);
    EXPECT_EQ(r->options, UiOptions{});
    EXPECT_FALSE(r->tree);
    EXPECT_EQ(r->pitch, -10);

    r = parseScreenRequest(
        line({"--screen", "320x568@3", "--lang", "fr", "--options",
              "debugLabel,debugSliders,debugMap,noCloseButton", "--camera", "none", "--tree"}),
        error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->screen, (Size{320, 568}));
    EXPECT_EQ(r->scale, 3);
    EXPECT_EQ(r->language, "fr");
    EXPECT_EQ(r->camera, CameraChoice::none);
    EXPECT_EQ(r->options, (UiOptions{true, true, true, false, false}));
    EXPECT_TRUE(r->tree);
}

TEST(ScreenCommandTest, BadFlagsAreNamed) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--screen", "375x812@9"}, "--screen scale must be a number from 1 to 4: 375x812@9"},
        {{"--screen", "wide"}, "--screen must be WIDTHxHEIGHT[@SCALE]"},
        {{"--lang", "de"}, "--lang must be en or fr: de"},
        {{"--options", "debugLabel,radar"}, "--options takes debugLabel"},
        {{"--camera", "side"}, "--camera must be back, front or none: side"},
    };
    for (const auto& [extra, message] : cases) {
        std::string error;
        EXPECT_FALSE(parseScreenRequest(line(extra), error));
        EXPECT_EQ(error.rfind(message, 0), 0u) << error;
    }
    std::string error;
    EXPECT_FALSE(parseScreenRequest(
        {"--places", "p.json", "--at", "1,2", "--heading", "360", "--pitch", "0", "--png", "o.png"},
        error));
    EXPECT_EQ(error, "--heading must be a number of degrees in [0, 360): 360");
    EXPECT_FALSE(parseScreenRequest(
        {"--places", "p.json", "--at", "1,2", "--heading", "0", "--pitch", "0"}, error));
    EXPECT_NE(error.find("--png"), std::string::npos) << error;
}

}  // namespace
}  // namespace arquorel::sim
