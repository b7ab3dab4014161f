// The web page reader on arbitrary bytes: no crash, hang or leak; the text stays within its cap,
// is valid UTF-8, and holds no markup characters the page did not write as text.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const auto page = arquorel::readHtml(html);
    FUZZ_CHECK(validUtf8(page.title));
    std::size_t total = 0;
    for (const auto& p : page.paragraphs) {
        FUZZ_CHECK(!p.empty() && p.front() != ' ' && p.back() != ' ');
        FUZZ_CHECK(validUtf8(p));
        total += p.size();
    }
    FUZZ_CHECK(total <= arquorel::kMaxReaderTextBytes);
    // Without a '<' in the input there is no markup: all of the text is kept.
    if (html.find('<') == std::string_view::npos && html.find('&') == std::string_view::npos &&
        !page.paragraphs.empty())
        FUZZ_CHECK(!page.truncated || size > arquorel::kMaxReaderTextBytes);
    return 0;
}
