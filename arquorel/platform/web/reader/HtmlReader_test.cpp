#include "arquorel/platform/web/reader/HtmlReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace arquorel {
namespace {

TEST(HtmlReaderTest, TitleAndParagraphsAsAReaderShowsThem) {
    struct Case {
        const char* name;
        std::string html;
        std::string title;
        std::vector<std::string> paragraphs;
    };
    const std::vector<Case> cases = {
        {"title and paragraphs",
         "<!doctype html><html><head><title> Casino  de\n Monte-Carlo </title></head>"
         "<body><h1>Welcome</h1><p>Open <b>every</b> day.</p><p>Dress code applies.</p></body>",
         "Casino de Monte-Carlo",
         {"Welcome", "Open every day.", "Dress code applies."}},
        {"scripts, styles, comments and navigation are not text",
         "<title>T</title><style>p{color:red}</style><nav>Home | Menu</nav>"
         "<p>Kept<script>var p = '<p>not kept</p>';</script><!-- hidden --></p>",
         "T",
         {"Kept"}},
        {"entities are decoded, tags inside attributes are not text",
         "<title>Caf&eacute; &amp; Bar</title><p title='<b>no</b>'>1 &lt; 2 &#x2713;</p>",
         "Café & Bar",
         {"1 < 2 ✓"}},
        {"no title: the first heading",
         "<body><div>intro</div><h1>Fort <i>Antoine</i></h1></body>",
         "Fort Antoine",
         {"intro", "Fort Antoine"}},
        {"unclosed and misnested markup is repaired, not pattern-matched",
         "<p>one<p>two<b>three<i>four</b>five</i><li>six",
         "",
         {"one", "twothreefourfive", "six"}},
        {"line breaks and list items split paragraphs",
         "<p>a<br>b</p><ul><li>c</li><li> d </li></ul>",
         "",
         {"a", "b", "c", "d"}},
        {"empty page", "", "", {}},
        // Control characters and invalid UTF-8 become U+FFFD, as the HTML5 parsing rules say.
        // A character reference past U+10FFFF, and one of a surrogate.
        {"numeric references that name no character",
         "<title>&#x88888889;</title><p>a&#xD800;b</p>",
         "\uFFFD",
         {"a\uFFFDb"}},
        {"not HTML at all", "\x01 plain \xff text", "", {"\uFFFD plain \uFFFD text"}},
    };
    for (const auto& c : cases) {
        const ReaderPage page = readHtml(c.html);
        EXPECT_EQ(page.title, c.title) << c.name;
        EXPECT_EQ(page.paragraphs, c.paragraphs) << c.name;
        EXPECT_FALSE(page.truncated) << c.name;
    }
}

std::string repeated(std::string_view part, std::size_t times) {
    std::string out;
    out.reserve(part.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += part;
    return out;
}

// The words of a text between break opportunities (spaces and zero width spaces), in
// characters.
std::size_t longestWord(const std::string& text) {
    std::size_t longest = 0, word = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' || text.compare(i, 3, "\u200B") == 0) {
            word = 0;
            continue;
        }
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            longest = std::max(longest, ++word);
    }
    return longest;
}

std::string withoutZeroWidthSpaces(std::string text) {
    for (auto at = text.find("\u200B"); at != std::string::npos; at = text.find("\u200B", at))
        text.erase(at, 3);
    return text;
}

// The parser's work grows with the square of the nesting depth: a page nested deeper than the
// bound is read with what lies deeper flattened into the deepest element kept, its text kept.
TEST(HtmlReaderTest, NestingDeeperThanTheBoundIsFlattened) {
    // 199,000 nested divs (995 KB, under the 1 MB page cap), a word in each.
    const ReaderPage deep = readHtml(repeated("<div>a", 199'000));
    EXPECT_TRUE(deep.flattened);
    ASSERT_EQ(deep.paragraphs.size(), kMaxReaderDepth);
    EXPECT_EQ(deep.paragraphs.front(), "a");
    EXPECT_EQ(deep.paragraphs[kMaxReaderDepth - 2], "a");
    // The rest, up to the text's cap.
    const std::string rest = withoutZeroWidthSpaces(deep.paragraphs.back());
    EXPECT_TRUE(deep.truncated);
    EXPECT_GT(rest.size(), kMaxReaderTextBytes / 2);
    EXPECT_EQ(rest, std::string(rest.size(), 'a'));

    // "<div/>" opens a div outside SVG; a raw-text element beyond the bound goes with its text.
    const ReaderPage slashes =
        readHtml(repeated("<div/>b", 1000) + "<script>alert('x<div>')</script><style>p{}</style>c");
    EXPECT_TRUE(slashes.flattened);
    ASSERT_EQ(slashes.paragraphs.size(), kMaxReaderDepth);
    EXPECT_EQ(withoutZeroWidthSpaces(slashes.paragraphs.back()),
              std::string(1000 - kMaxReaderDepth + 1, 'b') + "c");

    // Closing tags bring the depth back: only what lies beyond the bound is flattened.
    const std::string tower =
        repeated("<div>", kMaxReaderDepth + 10) + "x" + repeated("</div>", kMaxReaderDepth + 10);
    const ReaderPage twice = readHtml(tower + tower + "<p>y</p>");
    EXPECT_TRUE(twice.flattened);
    EXPECT_EQ(twice.paragraphs, (std::vector<std::string>{"x", "x", "y"}));
    // The end tags of what was left out go with it: they close nothing that was kept.
    const ReaderPage ends = readHtml(repeated("<div>", kMaxReaderDepth + 10) + "x" +
                                     repeated("</div>", 10) + "y</div>z");
    EXPECT_EQ(ends.paragraphs, (std::vector<std::string>{"xy", "z"}));
}

// What an ordinary page has plenty of does not count as depth: elements closed by the next
// one, void elements, self-closed SVG shapes, markup inside comments, attribute values and
// scripts. Such a page is read whole.
TEST(HtmlReaderTest, OrdinaryPagesAreNotFlattened) {
    const std::string page =
        "<title>Menu</title><body>" + repeated("<p><a href=#>dish</a><br><img src=x>", 600) +
        repeated("<body><a href=#>link<h2>head<h2>", 300) + "<ul>" + repeated("<li>item", 600) +
        "</ul><table>" + repeated("<tr><td>1<td>2", 300) + "</table><svg>" +
        repeated("<path d='M0 0'/>", 600) + "</svg>" + repeated("<!-- a > <div> -->", 600) +
        repeated("<?x <div ?>", 600) + "<p title='" + repeated("<div>", 600) + "'>" +
        "<p title=\"" + repeated("<div>", 600) + "\">" + "<script>" + repeated("<div>", 600) +
        "</script><div><div>end</div></div>";
    const ReaderPage read = readHtml(page);
    EXPECT_FALSE(read.flattened);
    ASSERT_EQ(read.paragraphs.size(), 600u + 300 * 2 + 600 + 600 + 1);
    EXPECT_EQ(read.paragraphs.back(), "end");

    // After <plaintext> everything is text, markup included.
    const ReaderPage plain = readHtml("<plaintext>" + repeated("<div>", 300));
    EXPECT_FALSE(plain.flattened);
    EXPECT_EQ(withoutZeroWidthSpaces(plain.text()), repeated("<div>", 300));
}

// The parser compares each new attribute with those before it: a tag with more attributes
// than the bound loses them all (the reader reads none), its text and its neighbours stay.
TEST(HtmlReaderTest, TagsWithTooManyAttributesLoseThem) {
    std::string attributes;
    for (int i = 0; i < 150'000; ++i) attributes += " a" + std::to_string(i);
    const ReaderPage many = readHtml("<p" + attributes + " title='>x'>kept</p><p>next</p>");
    EXPECT_TRUE(many.flattened);
    EXPECT_EQ(many.paragraphs, (std::vector<std::string>{"kept", "next"}));

    std::string few;
    for (std::size_t i = 1; i < kMaxReaderAttributes; ++i) few += " a" + std::to_string(i);
    const ReaderPage some = readHtml("<p" + few + " title='>x'>kept</p>");
    EXPECT_FALSE(some.flattened);
    EXPECT_EQ(some.paragraphs, (std::vector<std::string>{"kept"}));
    EXPECT_TRUE(readHtml("<p" + few + " b title='>x'>kept</p>").flattened);
}

// A line breaker's work on a word grows with the square of its length: a word longer than the
// bound gets a zero width space every kMaxReaderRun characters, counted in characters, never
// inside one; the text is otherwise unchanged.
TEST(HtmlReaderTest, LongWordsGetBreakOpportunities) {
    const std::string run(64 * 1024 - 64, 'x');
    const ReaderPage page = readHtml("<title>" + run + "</title><p>" + run + "</p>");
    ASSERT_EQ(page.paragraphs.size(), 1u);
    EXPECT_EQ(longestWord(page.paragraphs[0]), kMaxReaderRun);
    EXPECT_EQ(withoutZeroWidthSpaces(page.paragraphs[0]),
              run.substr(0, withoutZeroWidthSpaces(page.paragraphs[0]).size()));
    EXPECT_LE(page.paragraphs[0].size(), kMaxReaderTextBytes);
    EXPECT_EQ(longestWord(page.title), kMaxReaderRun);

    const std::string accents = repeated("é", kMaxReaderRun * 3);
    const ReaderPage words = readHtml("<p>" + accents + " " + std::string(kMaxReaderRun, 'y'));
    EXPECT_EQ(words.paragraphs,
              (std::vector<std::string>{repeated(repeated("é", kMaxReaderRun) + "\u200B", 2) +
                                        repeated("é", kMaxReaderRun) + " " +
                                        std::string(kMaxReaderRun, 'y')}));
}

TEST(HtmlReaderTest, HugeTextIsCutBetweenCharacters) {
    std::string huge = "<p>";
    for (int i = 0; i < 40000; ++i) huge += "é ";  // 3 bytes a word with its space
    const ReaderPage cut = readHtml(huge);
    ASSERT_EQ(cut.paragraphs.size(), 1u);
    EXPECT_TRUE(cut.truncated);
    EXPECT_LE(cut.paragraphs[0].size(), kMaxReaderTextBytes);
    EXPECT_GT(cut.paragraphs[0].size(), kMaxReaderTextBytes - 4);
    EXPECT_NE(static_cast<unsigned char>(cut.paragraphs[0].back()), 0xC3);
    // The cap falls right after a space, or right after a break opportunity in a long word:
    // the text ends on the last character kept.
    for (const std::string& text :
         {repeated("abc ", 20'000), "abcdefghi " + std::string(kMaxReaderTextBytes, 'x')}) {
        const ReaderPage atBreak = readHtml("<p>" + text);
        ASSERT_EQ(atBreak.paragraphs.size(), 1u);
        EXPECT_TRUE(atBreak.truncated);
        const std::string& kept = atBreak.paragraphs[0];
        EXPECT_NE(kept.back(), ' ');
        EXPECT_FALSE(kept.ends_with("\u200B"));
        EXPECT_GT(kept.size(), kMaxReaderTextBytes - 68);
    }

    // What a reader view lays out: whole paragraphs while they fit, then characters.
    const ReaderPage page{"t", {"ab", "cé", "déf"}, false, false};
    EXPECT_EQ(page.text(), "ab\n\ncé\n\ndéf");
    EXPECT_EQ(page.text(9), "ab\n\ncé");
    EXPECT_EQ(page.text(7), "ab\n\ncé");
    EXPECT_EQ(page.text(6), "ab\n\nc");  // not half of the é
    EXPECT_EQ(page.text(4), "ab");
    EXPECT_EQ(page.text(0), "");
}

}  // namespace
}  // namespace arquorel
