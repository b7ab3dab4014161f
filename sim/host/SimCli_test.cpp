#include "sim/host/SimCli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/host/PlacesCommand.h"

namespace arquorel::sim {
namespace {

using namespace std::string_literals;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

struct CliRun {
    int status;
    std::string out, err;
};

CliRun run(std::vector<std::string> args, const std::string& file = "", const char* at = "0,0") {
    if (!file.empty()) args.insert(args.end(), {"--places", file, "--at", at});
    std::ostringstream out, err;
    const int status = runCli(args, out, err);
    return {status, out.str(), err.str()};
}

std::string write(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::path(::testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

TEST(PlacesCommandTest, ListsNearestFirstAndSummarisesTheProblems) {
    const auto path = write("arquorel_cli_order.json", R"([
        {"id": "s", "name": "South", "lat": -0.002, "lng": 0},
        {"id": "n", "name": "North", "lat": 0.001, "lng": 0},
        {"id": "w", "name": "Line\nbreak\u001b[2J", "lat": 0, "lng": -0.004},
        {"id": "e", "name": "Est\u00e9", "lat": 0, "lng": 0.003},
        {"id": "ne", "name": "", "lat": 0.005, "lng": 0.005},
        {"id": "here", "name": "Here", "lat": 0, "lng": 0, "category_id": 1.5},
        {"id": "b", "lat": 95, "lng": 10}, 7
    ])");
    const auto r = run({"places", "--places=" + path, "--at=0,0"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Rank, name, distance in metres, azimuth and compass sector; control characters replaced.
    for (const char* row : {"1 +Here +0.0 +0.0 +0", "2 +North +110.6 +0.0 +0",
                            "3 +South +221.1 +180.0 +4", "4 +Esté +334.0 +90.0 +2",
                            "5 +Line\xEF\xBF\xBD"
                            "break\xEF\xBF\xBD\\[2J +445.3 +270.0 +6",
                            "6 +\\(no name, id \"ne\"\\) +784.5 +45.0 +0"})
        EXPECT_THAT(r.out, ContainsRegex("\n"s + row + "\n"));
    EXPECT_THAT(r.out, HasSubstr("\nSummary: 8 records read, 6 kept, 2 left out, 3 problems\n"
                                 "  record 5 (id \"here\"): category_id: not a whole number"));
    std::filesystem::remove(path);
}

TEST(SimCliTest, HelpOrStatusTwoForBadArgumentsAndUnusableFiles) {
    const std::string ok = ARQUOREL_DATA_DIR "/monaco/places.json";
    const auto broken = write("arquorel_cli_broken.json", "[\n  {\"lat\": 1,,}\n]");
    const auto missing = (std::filesystem::path(::testing::TempDir()) / "arquorel_none").string();
    const auto help = run({"help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, ContainsRegex("\n  places --places FILE --at LAT,LNG.*\n  help"));
    const std::vector<std::pair<CliRun, std::string>> cases = {
        {run({}), help.out},
        {run({"fly"}), "unknown command: fly"},
        {run({"places", "--at", "0,0"}), "usage: arquorel-sim places --places FILE --at LAT,LNG"},
        {run({"places", "--places", ok}), "missing --at"},
        {run({"places", "--radius", "5"}, ok), "unknown flag: --radius"},
        {run({"places", "--places", ok}, ok), "--places given twice"},
        {run({"places"}, ok, "x,2"), "two numbers"},
        {run({"places"}, ok, "nan,0"), "two numbers"},
        {run({"places"}, ok, "90.5,0"), "latitude must be within -90..90"},
        {run({"places"}, ok, "0,-180.5"), "longitude must be within -180..180"},
        {run({"places"}, missing), "cannot open " + missing},
        {run({"places"}, broken), broken + ": line 2, column 13: not JSON"},
    };
    for (const auto& [r, message] : cases) {
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.out, "") << message;
        EXPECT_THAT(r.err, HasSubstr(message));
    }
    EXPECT_EQ(run({"places"}, ok, " -90 , +180 ").status, 0);
    EXPECT_EQ(run({"places", "--help"}).out.rfind("usage: arquorel-sim places", 0), 0u);
    std::filesystem::remove(broken);
}

}  // namespace
}  // namespace arquorel::sim
