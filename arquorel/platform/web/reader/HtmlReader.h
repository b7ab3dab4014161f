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
    bool truncated = false;               // the text was cut at kMaxTextBytes

    // The paragraphs separated by blank lines.
    std::string text() const;
    friend bool operator==(const ReaderPage&, const ReaderPage&) = default;
};

// A page's text beyond this many bytes is left out (a reader shows the start of a huge page).
inline constexpr std::size_t kMaxReaderTextBytes = 64 * 1024;

ReaderPage readHtml(std::string_view html);

}  // namespace arquorel
