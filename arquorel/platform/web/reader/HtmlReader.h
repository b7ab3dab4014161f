#pragma once
// A web page as a reader shows it: its title and its text in paragraphs, taken from the HTML
// by a full HTML5 parser (gumbo), so that markup, scripts, styles, comments and entities never
// leak into the text whatever the page's shape. Invalid UTF-8 becomes U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace arquorel {

struct ReaderPage {
    std::string title;                    // the <title>, else the first <h1>; white space collapsed
    std::vector<std::string> paragraphs;  // the visible text of the body, one a block
    bool truncated = false;               // the text was cut at kMaxReaderTextBytes
    bool flattened = false;  // markup nested too deep or too many attributes was left out

    // The paragraphs separated by blank lines, cut after at most `maxBytes` bytes between two
    // characters (a view that shows one screen of the page lays out no more than that: a line
    // breaker's work on a text grows faster than its length).
    std::string text(std::size_t maxBytes = std::string::npos) const;
    friend bool operator==(const ReaderPage&, const ReaderPage&) = default;
};

// The most of a page's text a screen can show, whatever its script: what a reader view lays out.
inline constexpr std::size_t kMaxReaderShownBytes = 8 * 1024;

// A page's text beyond this many bytes is left out (a reader shows the start of a huge page).
inline constexpr std::size_t kMaxReaderTextBytes = 64 * 1024;

// The parser's work grows with the square of the nesting depth and of a tag's attribute count,
// and a line breaker's with the square of a word's length. Start tags nested deeper than this
// are left out (their text is kept)...
inline constexpr std::size_t kMaxReaderDepth = 256;
// ...so are the attributes of a tag with more than this many (a reader reads none)...
inline constexpr std::size_t kMaxReaderAttributes = 64;
// ...and a word longer than this many characters gets a zero width space (U+200B), a break
// opportunity, after every this many.
inline constexpr std::size_t kMaxReaderRun = 64;

// Reads a page of any size and shape in time that grows with its size, never faster.
ReaderPage readHtml(std::string_view html);

}  // namespace arquorel
