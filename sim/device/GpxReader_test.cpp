#include "sim/device/GpxReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "sim/device/SensorScript.h"
#include "sim/device/SimClock.h"

namespace arquorel::sim {
namespace {

const char* const kWalk = ARQUOREL_DATA_DIR "/monaco/walk.gpx";

TEST(GpxTest, ReadsTheMonacoWalk) {
    const GpxTrack track = readGpxFile(kWalk);
    ASSERT_EQ(track.points.size(), 210u) << track.error;
    EXPECT_EQ(track.points.front().coordinate, (Coordinate{43.7393682, 7.4272085}));
    EXPECT_EQ(track.points.front().time, SimClock::kDefaultStart);
    for (std::size_t i = 1; i + 1 < track.points.size(); ++i)
        ASSERT_EQ(track.points[i].time - track.points[i - 1].time, 5) << i;
    EXPECT_NEAR(track.points.back().time - SimClock::kDefaultStart, 17 * 60 + 25.514, 1e-6);
    const SensorScript script = SensorScript::fromTrack(track.points);
    ASSERT_EQ(script.events().size(), 210u);
    EXPECT_EQ(script.events()[1].time, 5);
}

TEST(GpxTest, AcceptsVariantsOfWellFormedTracks) {
    const std::string t0 = "<time>2026-06-01T10:00:00Z</time>";
    const std::tuple<std::string, Coordinate, double> cases[] = {
        {"<?xml version='1.0'?>\n<!-- <trkpt lat=\"1\" lon=\"1\"> -->\n<g:trkpt lon = '7.5' "
         "lat='-43.5'><ele>3</ele><g:time> 2024-02-29T23:59:59.5+01:00 </g:time></g:trkpt>",
         {-43.5, 7.5},
         1709247599.5},  // 22:59:59.5 UTC
        {"<trkpt lat=' +1 ' lon='&#50;' other='x'><time><![CDATA[2026-06-01t10:00:00-02:30]]>"
         "</time></trkpt>",
         {1, 2},
         1780308000 + 9000},
        // A <time/> is skipped; the first one with a value counts, wherever it is in the point.
        {"<gpx><trkpt lat='90' lon='-180'><time/><extensions>" + t0 + "</extensions>" +
             "<time>x</time></trkpt></gpx>",
         {90, -180},
         1780308000},
        {"<trkpt lat='0' lon='0'><time>2016-12-31T23:59:60Z</time></trkpt>",
         {0, 0},
         1483228800},  // a leap second
    };
    for (const auto& [text, coordinate, time] : cases) {
        const GpxTrack track = parseGpx(text);
        ASSERT_EQ(track.points.size(), 1u) << text << " -> " << track.error;
        EXPECT_EQ(track.points[0].coordinate, coordinate);
        EXPECT_EQ(track.points[0].time, time);
    }
    const GpxTrack two = parseGpx("<trkseg><trkpt lat='1' lon='2'>" + t0 +
                                  "</trkpt><trkpt lat='3' lon='4'>" + t0 + "</trkpt></trkseg>");
    EXPECT_EQ(two.points.size(), 2u) << "equal times are not going backwards";
}

// Every fault names its line, and no point of a faulty file is kept.
TEST(GpxTest, RejectsBadInputWithTheLine) {
    const std::string pt = "<trkpt lat=\"1\" lon=\"7\">", end = "Z</time></trkpt>\n";
    std::vector<std::pair<std::string, std::string>> bad = {
        {"\n<trkpt lon=\"7\"><time>2026-06-01T10:00:00" + end, "line 2: <trkpt> has no lat"},
        {"<trkpt lat=\"1\"/>", "line 1: <trkpt> has no lon"},
        {"<trkpt lat=\"nan\" lon=\"7\"/>", "line 1: bad lat \"nan\""},
        {"<trkpt lat=\"1\" lon=\"7e\"/>", "line 1: bad lon \"7e\""},
        {"<trkpt lat=\"91\" lon=\"7\"/>", "line 1: coordinate out of range"},
        {"<trkpt lat='1' lat='2' lon='7'/>", "line 1: duplicate attribute lat"},
        {pt + "</trkpt>", "line 1: <trkpt> has no <time>"},
        {pt + "\n<time>2026-02-29T10:00:00" + end, "line 2: bad time \"2026-02-29T10:00:00Z\""},
        {pt + "<time>2026-06-01T24:00:00" + end, "line 1: bad time"},
        {pt + "<time>2100-02-29T10:00:00" + end, "line 1: bad time"},
        {pt + "<time>2026-06-01T10:00:00Zx</time></trkpt>", "line 1: bad time"},
        {pt + "<time>2026-06-01T10-00:00" + end, "line 1: bad time"},
        {pt + "<time>2026-06-01T10:00:00." + end, "line 1: bad time"},
        {pt + "<time>2026-06-01T10:00:05" + end + pt + "<time>2026-06-01T10:00:00" + end,
         "line 2: time goes backwards"},
        {pt + "\n<trkpt lat='1' lon='7'/></trkpt>", "line 2: <trkpt> inside another <trkpt>"},
        {"", "no track points (<trkpt>) found"},
        {"<gpx><trk/></gpx>", "no track points (<trkpt>) found"},
        // Not well-formed XML.
        {"<gpx>\n<trkpt lat=1 lon='7'/>", "line 2: attribute lat is not quoted"},
        {"<trkpt\n lat lon='7'/>", "line 1: attribute lat has no value"},
        {"<trkpt lat='1' lon='7", "line 1: unterminated attribute value"},
        {"<gpx>\n<!-- x\ny", "line 2: unterminated comment"},
        {"<gpx>\n<trk></tr", "line 2: unterminated tag"},
        {"<gpx>\n<trk>\n</trkseg>", "line 3: </trkseg> without <trkseg>"},
        {"<gpx>\n" + pt + "<time>2026-06-01T10:00:00" + end, "line 3: the text ends before <gpx>"},
        {"/nonexistent/walk.gpx", "cannot open /nonexistent/walk.gpx"},
    };
    const auto file = std::filesystem::path(::testing::TempDir()) / "arquorel_bad.gpx";
    std::ofstream(file) << "<gpx>\n<trkpt/></gpx>";
    bad.emplace_back(file.string(), file.string() + ": line 2: <trkpt> has no lat");
    for (const auto& [text, message] : bad) {
        const GpxTrack track = text[0] == '/' ? readGpxFile(text) : parseGpx(text);
        EXPECT_TRUE(track.points.empty()) << text;
        EXPECT_EQ(track.error.substr(0, message.size()), message) << text;
    }
    std::filesystem::remove(file);

    // A truncated or damaged file gives an error, never a shortened track.
    std::ifstream in(kWalk);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    for (std::size_t cut = 37; cut + 8 < text.size(); cut += 37)
        EXPECT_EQ(parseGpx(text.substr(0, cut)).error.substr(0, 5), "line ") << cut;
    for (std::size_t i = 100; i < text.size(); i += 101) text[i] = "<>\"'/=\n"[i % 7];
    EXPECT_FALSE(parseGpx(text).ok());
}

}  // namespace
}  // namespace arquorel::sim
