#include "arquorel/platform/browser/FontMetricsTable.h"

#include <gtest/gtest.h>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::browser {
namespace {

// The table, made from the same font files, gives the native engine's numbers: line boxes,
// baselines and the widths of lines with their kerning, in each face and at several sizes.
TEST(FontMetricsTableTest, LaysTextOutAsTheNativeEngine) {
    sim::SimPlatform device;  // the native (Pango) text engine
    auto& native = platformContext().textEngine();
    struct Face {
        FontWeight weight;
        bool italic;
        double size;
    };
    const Face faces[] = {{FontWeight::regular, false, 17},  {FontWeight::bold, false, 13},
                          {FontWeight::semibold, false, 15}, {FontWeight::medium, false, 11},
                          {FontWeight::regular, true, 12.5}, {FontWeight::bold, true, 21}};
    const char* texts[] = {"Casino de Monte Carlo",    "AVAWAY To Ty Yo P. L'T",
                           "Hôtel Métropole — 1,2 km", "« Ça va ? » ‘quoted’ 12 €",
                           "Łódź Ærø Œuvre ŷ",         "Wi-Fi 100% – “LT”"};
    for (const auto& f : faces) {
        TextStyle style;
        style.weight = f.weight;
        style.italic = f.italic;
        style.fontSize = f.size;
        const FontFaceMetrics* face = faceFor(bundledFontFaces(), style);
        ASSERT_NE(face, nullptr);
        for (const char* text : texts) {
            SCOPED_TRACE(testing::Message()
                         << text << " at " << f.size << " weight " << static_cast<int>(f.weight)
                         << " italic " << f.italic);
            const auto expected = native.layout(text, style);
            const auto width = lineWidthOf(*face, text, f.size);
            ASSERT_TRUE(width);
            EXPECT_NEAR(*width, expected->size().width, 0.03);  // the native engine's rounding
            EXPECT_NEAR((face->ascent + face->descent) * f.size / face->unitsPerEm,
                        expected->size().height, 0.01);
            EXPECT_NEAR(face->ascent * f.size / face->unitsPerEm, expected->lines()[0].baseline,
                        0.01);
        }
    }
}

TEST(FontMetricsTableTest, LeavesWhatItDoesNotCoverToTheBrowser) {
    const auto faces = bundledFontFaces();
    TextStyle style;
    const FontFaceMetrics* face = faceFor(faces, style);
    ASSERT_NE(face, nullptr);
    EXPECT_TRUE(advanceOf(*face, U'A', 17));
    EXPECT_FALSE(advanceOf(*face, U'\u0416', 17));  // Cyrillic: measured by the browser
    EXPECT_FALSE(advanceOf(*face, U'\U0001F355', 17));
    EXPECT_FALSE(lineWidthOf(*face, "Pizza \U0001F355", 17));
    EXPECT_FALSE(lineWidthOf(*face, "bad \xC3", 17));  // cut in the middle of a character
    EXPECT_FALSE(lineWidthOf(*face, "\xFF", 17));
    EXPECT_EQ(lineWidthOf(*face, "", 17), 0);
    style.fontFamily = "Noto Sans";
    EXPECT_EQ(faceFor(faces, style), nullptr);
}

}  // namespace
}  // namespace arquorel::browser
