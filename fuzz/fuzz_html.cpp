// The web page reader on arbitrary bytes: no crash, hang or leak, and no page of the size a
// loader accepts takes long (./run fuzz gives inputs up to 1 MB five seconds each); the text
// stays within its cap, is valid UTF-8, and has a break opportunity in every kMaxReaderRun
// characters.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "arquorel/platform/web/reader/HtmlReader.h"
#include "fuzz/FuzzCheck.h"

namespace {

bool validUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// The longest run of characters without a space or a zero width space.
std::size_t longestWord(const std::string& s) {
    std::size_t longest = 0, word = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ' ' || s.compare(i, 3, "\u200B") == 0) {
            word = 0;
        } else if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            longest = std::max(longest, ++word);
        }
    }
    return longest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const auto page = arquorel::readHtml(html);
    FUZZ_CHECK(validUtf8(page.title));
    FUZZ_CHECK(longestWord(page.title) <= arquorel::kMaxReaderRun);
    std::size_t total = 0;
    for (const auto& p : page.paragraphs) {
        FUZZ_CHECK(!p.empty() && p.front() != ' ' && p.back() != ' ');
        FUZZ_CHECK(validUtf8(p));
        FUZZ_CHECK(longestWord(p) <= arquorel::kMaxReaderRun);
        total += p.size();
    }
    FUZZ_CHECK(total <= arquorel::kMaxReaderTextBytes);
    // Without a '<' in the input there is no markup: all of the text is kept.
    if (html.find('<') == std::string_view::npos && html.find('&') == std::string_view::npos &&
        !page.paragraphs.empty())
        FUZZ_CHECK(!page.truncated || size > arquorel::kMaxReaderTextBytes);
    return 0;
}
