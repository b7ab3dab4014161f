#include "sim/host/SimCli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/host/CliArgs.h"
#include "sim/host/PlacesCommand.h"

namespace arquorel::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct Run {
    int status;
    std::string out;
    std::string err;
};

Run run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = runCli(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The table rows between the "#" header line and the blank line after them, as the name
// followed by distance, azimuth and sector.
std::vector<std::vector<std::string>> tableRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    bool inTable = false;
    for (const auto& line : linesOf(text)) {
        std::istringstream in(line);
        std::vector<std::string> w;
        for (std::string word; in >> word;) w.push_back(word);
        if (!inTable) {
            inTable = !w.empty() && w[0] == "#";
        } else if (w.empty()) {
            break;
        } else if (w.size() >= 5) {
            std::string name = w[1];
            for (std::size_t i = 2; i + 3 < w.size(); ++i) name += " " + w[i];
            rows.push_back({name, w[w.size() - 3], w[w.size() - 2], w.back()});
        }
    }
    return rows;
}

std::string write(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::path(::testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

TEST(SimCliTest, HelpListsEveryCommand) {
    const auto help = run({"help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(linesOf(help.out), Contains(StartsWith("  places --places FILE --at LAT,LNG")));
    EXPECT_THAT(linesOf(help.out), Contains(StartsWith("  help")));

    const auto none = run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, help.out);
    const auto unknown = run({"fly"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("unknown command: fly"));
}

TEST(PlacesCommandTest, ListsNearestFirstWithAzimuthAndSector) {
    const auto path = write("arquorel_cli_order.json", R"([
        {"id": "s", "name": "South", "lat": -0.002, "lng": 0},
        {"id": "n", "name": "North", "lat": 0.001, "lng": 0},
        {"id": "w", "name": "West", "lat": 0, "lng": -0.004},
        {"id": "e", "name": "Est\u00e9", "lat": 0, "lng": 0.003},
        {"id": "ne", "name": "", "lat": 0.005, "lng": 0.005},
        {"id": "here", "name": "Here", "lat": 0, "lng": 0}
    ])");
    const auto r = run({"places", "--places", path, "--at", "0,0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(tableRows(r.out),
                ElementsAre(ElementsAre("Here", "0.0", "0.0", "0"),
                            ElementsAre("North", "110.6", "0.0", "0"),
                            ElementsAre("South", "221.1", "180.0", "4"),
                            ElementsAre("Esté", "334.0", "90.0", "2"),
                            ElementsAre("West", "445.3", "270.0", "6"),
                            ElementsAre("(no name, id \"ne\")", "784.5", "45.0", "0")));
    EXPECT_THAT(r.out, HasSubstr("Summary: 6 records read, 6 kept, 0 left out, 0 problems"));
    EXPECT_THAT(r.out, Not(HasSubstr("OpenStreetMap")));
    std::filesystem::remove(path);
}

TEST(PlacesCommandTest, ColumnsAlignByCharactersAndControlCharactersAreReplaced) {
    const auto path = write("arquorel_cli_align.json", R"([
        {"name": "Caf\u00e9 \u00e0 c\u00f4t\u00e9", "lat": 0.001, "lng": 0},
        {"name": "Bar", "lat": 0.01, "lng": 0},
        {"name": "\ubaac\ud14c \uce74\ub97c\ub85c", "lat": 0.1, "lng": 0},
        {"name": "Line\nbreak\u001b[2J", "lat": 1, "lng": 0}
    ])");
    const auto r = run({"places", "--places", path, "--at", "0,0"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::size_t> widths;
    for (const auto& line : linesOf(r.out))
        if (line.find("  ") != std::string::npos) widths.push_back(characterCount(line));
    ASSERT_EQ(widths.size(), 5u) << r.out;  // header and four rows
    for (const auto w : widths) EXPECT_EQ(w, widths.front()) << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_THAT(r.out, HasSubstr("Line\xEF\xBF\xBD"
                                 "break"));
    std::filesystem::remove(path);
}

TEST(PlacesCommandTest, SummaryCountsAndListsTheProblems) {
    const auto path = write("arquorel_cli_problems.json", R"([
        {"id": "a", "name": "A", "lat": 10, "lng": 10},
        {"id": "b", "name": "B", "lat": 95, "lng": 10},
        {"id": "c", "name": "C", "lat": 10, "lng": 10.1, "category_id": 1.5},
        7
    ])");
    const auto r = run({"places", "--places=" + path, "--at=10,10"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(tableRows(r.out).size(), 2u);
    EXPECT_THAT(r.out, HasSubstr("Summary: 4 records read, 2 kept, 2 left out, 3 problems\n"
                                 "  record 1 (id \"b\"): lat: out of range -90..90: number 95 "
                                 "(record left out)\n"
                                 "  record 2 (id \"c\"): category_id: not a whole number: "
                                 "number 1.5\n"
                                 "  record 3: not an object: number 7 (record left out)\n"));
    std::filesystem::remove(path);
}

TEST(PlacesCommandTest, ShowsTheBundledDataWithAttribution) {
    const std::string monaco = std::string(ARQUOREL_DATA_DIR) + "/monaco/places.json";
    const auto r = run({"places", "--places", monaco, "--at", "43.7393682,7.4272085"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Source: " + monaco +
                                 "\n"
                                 "Data \xC2\xA9 OpenStreetMap contributors, ODbL 1.0\n"));
    EXPECT_THAT(r.out, HasSubstr("Summary: 612 records read, 612 kept, 0 left out"));
    const auto rows = tableRows(r.out);
    ASSERT_EQ(rows.size(), 612u);
    EXPECT_EQ(rows[0][0], "Salle Empire");  // about 10 m from the start position
    std::size_t within100 = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double d = std::stod(rows[i][1]);
        EXPECT_GE(d, i > 0 ? std::stod(rows[i - 1][1]) : 0.0);
        within100 += d < 100;
    }
    EXPECT_EQ(within100, 36u);
}

TEST(PlacesCommandTest, BadArgumentsAndUnusableFilesExitWithStatusTwo) {
    const auto path = write("arquorel_cli_ok.json", R"([{"lat": 0, "lng": 0}])");
    const auto broken = write("arquorel_cli_broken.json", "[\n  {\"lat\": 1,,}\n]");
    const auto missing = std::filesystem::path(::testing::TempDir()) / "arquorel_cli_none.json";
    const std::string usage = "usage: arquorel-sim places --places FILE --at LAT,LNG";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "missing --places"},
        {{"--places", path}, "missing --at"},
        {{"--places", path, "--at"}, "--at needs a value"},
        {{"--places", path, "--at", "0,0", "--radius", "5"}, "unknown flag: --radius"},
        {{"--places", path, "--at", "0,0", "extra"}, "unexpected argument: extra"},
        {{"--places", path, "--places", path, "--at", "0,0"}, "--places given twice"},
        {{"--places", path, "--at", "1"}, "LAT,LNG"},
        {{"--places", path, "--at", "1,2,3"}, "LAT,LNG"},
        {{"--places", path, "--at", "x,2"}, "two numbers"},
        {{"--places", path, "--at", "1,"}, "two numbers"},
        {{"--places", path, "--at", "nan,0"}, "two numbers"},
        {{"--places", path, "--at", "0,inf"}, "two numbers"},
        {{"--places", path, "--at", "1e400,0"}, "two numbers"},
        {{"--places", path, "--at", "90.5,0"}, "latitude must be within -90..90"},
        {{"--places", path, "--at", "0,-180.5"}, "longitude must be within -180..180"},
        {{"--places", missing.string(), "--at", "0,0"}, "cannot open " + missing.string()},
        {{"--places", broken, "--at", "0,0"}, broken + ": line 2, column 13: not JSON"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> full{"places"};
        full.insert(full.end(), args.begin(), args.end());
        const auto r = run(full);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.out, "") << message;
        EXPECT_THAT(r.err, HasSubstr(message));
    }
    EXPECT_THAT(run({"places", "--at", "0,0"}).err, HasSubstr(usage));
    EXPECT_EQ(run({"places", "--at", " -90 , +180 ", "--places", path}).status, 0);
    const auto help = run({"places", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, StartsWith(usage));
    std::filesystem::remove(path);
    std::filesystem::remove(broken);
}

TEST(CompassSectorTest, FortyFiveDegreesEachAndSevenOutsideTheCircle) {
    const std::vector<std::pair<double, int>> cases = {
        {0, 0},   {44.999, 0}, {45, 1},  {180, 4},         {359.999, 7},
        {360, 7}, {-0.001, 7}, {720, 7}, {std::nan(""), 7}};
    for (const auto& [azimuth, sector] : cases)
        EXPECT_EQ(compassSector(azimuth), sector) << azimuth;
}

}  // namespace
}  // namespace arquorel::sim
