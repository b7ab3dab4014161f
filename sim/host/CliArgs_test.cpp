#include "sim/host/CliArgs.h"

#include <gtest/gtest.h>

#include "sim/host/CommandTesting.h"

namespace arquorel::sim {
namespace {

// The flag parser's messages, and the first problem on the command line is the one reported.
TEST(FlagsTest, ParsesValuesAndSwitchesAndNamesTheFirstProblem) {
    const std::vector<FlagSpec> specs = {{"at"}, {"places"}, {"tree", false}};
    std::string error;
    const auto flags = Flags::parse({"--at", "-33.8,151.2", "--places=", "--tree"}, specs, error);
    ASSERT_TRUE(flags) << error;
    EXPECT_EQ(flags->value("at"), "-33.8,151.2");  // a negative number is a value, not a flag
    EXPECT_EQ(flags->value("places"), "");
    EXPECT_TRUE(flags->has("tree"));
    EXPECT_FALSE(flags->has("screen"));
    EXPECT_EQ(Flags::parse({}, specs, error)->value("at"), std::nullopt);

    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"x"}, "unexpected argument: x"},
        {{"-x"}, "unexpected argument: -x"},
        {{"--at", "1,2", "--"}, "unexpected argument: --"},
        {{"--radius=5"}, "unknown flag: --radius"},
        {{"--at"}, "--at needs a value"},
        {{"--at", "--places", "p"}, "--at needs a value"},
        {{"--at", "1", "--at=2"}, "--at given twice"},
        {{"--tree", "--tree"}, "--tree given twice"},
        {{"--tree=yes"}, "--tree takes no value"},
        {{"--at", "1", "--at", "2", "--radius", "3"}, "--at given twice"},
        {{"--radius", "3", "--at", "1", "--at", "2"}, "unknown flag: --radius"},
    };
    for (const auto& [args, message] : bad) {
        error.clear();
        EXPECT_FALSE(Flags::parse(args, specs, error)) << message;
        EXPECT_EQ(error, message);
    }
}

// The flags every picture command takes: their defaults, their messages, and the command's own
// flags read after --lang and before --png.
TEST(PictureRequestTest, ReadsTheCommonFlagsAndNamesTheFirstProblem) {
    const std::vector<std::string> required = {"--places",  "p.json", "--at",  "43.7,7.4",
                                               "--heading", "80",     "--png", "out.png"};
    const auto read = [](const std::vector<std::string>& args, std::string& error) {
        PictureRequest request;
        const auto readSide = [&](const Flags& flags) {
            if (flags.value("side") == "left") return true;
            error = "--side must be left";
            return false;
        };
        return readPictureRequest(args, {{"side"}}, request, error, readSide)
                   ? std::optional(request)
                   : std::nullopt;
    };
    std::string error;
    auto request = read(withArgs(required, {"--side", "left"}), error);
    ASSERT_TRUE(request) << error;
    EXPECT_EQ(request->places, "p.json");
    EXPECT_EQ(request->at.latitude, 43.7);
    EXPECT_EQ(request->heading, 80);
    EXPECT_EQ(request->screen, (Size{375, 812}));
    EXPECT_EQ(request->scale, 2);
    EXPECT_EQ(request->language, "en");
    EXPECT_EQ(request->png, "out.png");
    EXPECT_FALSE(request->tree);
    request = read(
        withArgs(required, {"--side", "left", "--screen", "320x568@3", "--lang", "fr", "--tree"}),
        error);
    ASSERT_TRUE(request) << error;
    EXPECT_EQ(request->screen, (Size{320, 568}));
    EXPECT_EQ(request->scale, 3);
    EXPECT_EQ(request->language, "fr");
    EXPECT_TRUE(request->tree);

    const std::string badScreen =
        "--screen must be WIDTHxHEIGHT[@SCALE] in points (100 to 10000), scale 1 to 4: ";
    expectRefused(read, {"--side", "left"},
                  {
                      {{"--at", "1,2", "--heading", "0", "--png", "o"}, "missing --places FILE"},
                      {{"--places", "p", "--heading", "0", "--png", "o"}, "missing --at LAT,LNG"},
                      {{"--places", "p", "--at", "91,0", "--heading", "0"}, "--at latitude"},
                      {{"--places", "p", "--at", "1,2", "--png", "o"}, "missing --heading DEG"},
                      {{"--places", "p", "--at", "1,2", "--heading", "360"},
                       "--heading must be a number of degrees in [0, 360): 360"},
                      {{"--places", "p", "--at", "1,2", "--heading", "-0.5"}, "--heading must"},
                      {{"--places", "p", "--at", "1,2", "--heading", "nan"}, "--heading must"},
                      {{"--places", "p", "--at", "1,2", "--heading", "1"}, "missing --png OUT.png"},
                      {{"--bogus"}, "unknown flag: --bogus"},
                  });
    expectRefused(read, required,
                  {
                      {{"--side", "left", "--screen", "99x812"}, badScreen + "99x812"},
                      {{"--side", "left", "--screen", "375x812@4.5"}, badScreen + "375x812@4.5"},
                      {{"--side", "left", "--screen", "375x812@"}, badScreen + "375x812@"},
                      {{"--side", "left", "--screen", "375x812@0.5"}, badScreen + "375x812@0.5"},
                      {{"--side", "left", "--lang", "de"}, "--lang must be en or fr: de"},
                      {{"--side", "right"}, "--side must be left"},
                      // The common flags come first, the command's own before --png.
                      {{"--side", "right", "--lang", "de"}, "--lang must be en or fr: de"},
                  });
    expectRefused(read, {"--places", "p", "--at", "1,2", "--heading", "1"},
                  {{{"--side", "right"}, "--side must be left"}});
}

TEST(PictureRequestTest, PitchIsWithinAQuarterTurnEitherWay) {
    const std::pair<std::vector<std::string>, std::optional<double>> cases[] = {
        {{"--pitch", "-90"}, -90}, {{"--pitch", "90"}, 90},  {{"--pitch", "12.5"}, 12.5},
        {{"--pitch", "90.1"}, {}}, {{"--pitch", "-91"}, {}}, {{"--pitch", "inf"}, {}},
        {{"--pitch", "up"}, {}},   {{"--pitch", ""}, {}},
    };
    for (const auto& [args, expected] : cases) {
        std::string error;
        const auto flags = Flags::parse(args, {{"pitch"}}, error);
        ASSERT_TRUE(flags) << error;
        EXPECT_EQ(requiredPitch(*flags, error), expected) << args[1];
        if (!expected && !args[1].empty()) {
            EXPECT_EQ(error, "--pitch must be a number of degrees in [-90, 90]: " + args[1]);
        }
    }
}

}  // namespace
}  // namespace arquorel::sim
