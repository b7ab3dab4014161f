#include "sim/host/CliArgs.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace arquorel::sim
