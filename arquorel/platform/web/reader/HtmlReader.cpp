#include "arquorel/platform/web/reader/HtmlReader.h"

#include <gumbo.h>

#include <memory>
#include <utility>

namespace arquorel {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Elements whose content a reader never shows.
bool isHidden(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_NOSCRIPT:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_OBJECT:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_SVG:
        case GUMBO_TAG_MATH:
        case GUMBO_TAG_NAV:
        case GUMBO_TAG_BUTTON:
        case GUMBO_TAG_SELECT:
        case GUMBO_TAG_TEXTAREA:
        case GUMBO_TAG_CANVAS:
            return true;
        default:
            return false;
    }
}

// Elements that start and end a paragraph.
bool isBlock(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_P:
        case GUMBO_TAG_DIV:
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
        case GUMBO_TAG_LI:
        case GUMBO_TAG_UL:
        case GUMBO_TAG_OL:
        case GUMBO_TAG_DL:
        case GUMBO_TAG_DT:
        case GUMBO_TAG_DD:
        case GUMBO_TAG_BLOCKQUOTE:
        case GUMBO_TAG_PRE:
        case GUMBO_TAG_SECTION:
        case GUMBO_TAG_ARTICLE:
        case GUMBO_TAG_ASIDE:
        case GUMBO_TAG_HEADER:
        case GUMBO_TAG_FOOTER:
        case GUMBO_TAG_MAIN:
        case GUMBO_TAG_ADDRESS:
        case GUMBO_TAG_FIGURE:
        case GUMBO_TAG_FIGCAPTION:
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_BR:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_FORM:
        case GUMBO_TAG_FIELDSET:
        case GUMBO_TAG_LEGEND:
        case GUMBO_TAG_DETAILS:
        case GUMBO_TAG_SUMMARY:
            return true;
        default:
            return false;
    }
}

// The text with every byte that does not start a well-formed UTF-8 sequence (overlong forms,
// surrogates and code points past U+10FFFF included) replaced by U+FFFD. The parser decodes
// the page's bytes, but a numeric character reference past U+10FFFF ("&#x88888889") comes out
// as bytes that are not UTF-8, so its output is checked once more.
std::string wellFormedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
        const unsigned char lead = byte(0);
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        }
        bool ok = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            const unsigned char c = byte(k);
            ok = k == 1 ? (c >= low && c <= high) : (c & 0xC0) == 0x80;
        }
        if (ok) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// Text gathered into paragraphs with runs of white space collapsed to one space.
class TextSink {
  public:
    explicit TextSink(std::size_t limit) : limit_(limit) {}

    void append(std::string_view raw) {
        const std::string text = wellFormedUtf8(raw);
        for (char c : text) {
            if (full_) return;
            if (isSpace(c)) {
                pendingSpace_ = !current_.empty();
                continue;
            }
            if (pendingSpace_) {
                push(' ');
                pendingSpace_ = false;
            }
            push(c);
        }
    }
    void breakParagraph() {
        pendingSpace_ = false;
        if (current_.empty()) return;
        paragraphs_.push_back(std::move(current_));
        current_.clear();
    }
    std::vector<std::string> finish() {
        breakParagraph();
        return std::move(paragraphs_);
    }
    bool full() const { return full_; }

  private:
    void push(char c) {
        // Cut before a character that does not fit whole, never inside a UTF-8 sequence.
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            if (used_ + length > limit_) {
                full_ = true;
                return;
            }
        }
        current_ += c;
        ++used_;
    }

    std::size_t limit_;
    std::size_t used_ = 0;
    bool full_ = false;
    bool pendingSpace_ = false;
    std::string current_;
    std::vector<std::string> paragraphs_;
};

// The text of an element's subtree on one line (titles).
std::string flatText(const GumboNode* root) {
    TextSink sink(1024);
    std::vector<const GumboNode*> stack{root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
            node->type == GUMBO_NODE_CDATA) {
            sink.append(node->v.text.text);
            sink.append(" ");
        } else if (node->type == GUMBO_NODE_ELEMENT) {
            const GumboVector& children = node->v.element.children;
            for (unsigned i = children.length; i-- > 0;)
                stack.push_back(static_cast<const GumboNode*>(children.data[i]));
        }
    }
    auto parts = sink.finish();
    return parts.empty() ? std::string() : parts.front();
}

// The first element with that tag, in document order.
const GumboNode* findFirst(const GumboNode* root, GumboTag tag) {
    std::vector<const GumboNode*> stack{root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT &&
            node->type != GUMBO_NODE_TEMPLATE)
            continue;
        if (node->type != GUMBO_NODE_DOCUMENT && node->v.element.tag == tag) return node;
        const GumboVector& children = node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children
                                                                        : node->v.element.children;
        for (unsigned i = children.length; i-- > 0;)
            stack.push_back(static_cast<const GumboNode*>(children.data[i]));
    }
    return nullptr;
}

struct OutputDeleter {
    const GumboOptions* options;
    void operator()(GumboOutput* output) const { gumbo_destroy_output(options, output); }
};

}  // namespace

std::string ReaderPage::text() const {
    std::string out;
    for (const auto& p : paragraphs) {
        if (!out.empty()) out += "\n\n";
        out += p;
    }
    return out;
}

ReaderPage readHtml(std::string_view html) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;  // the page's syntax errors are of no use to a reader
    const std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&options, html.data(), html.size()), OutputDeleter{&options});
    ReaderPage page;
    if (!output) return page;
    if (const GumboNode* title = findFirst(output->root, GUMBO_TAG_TITLE))
        page.title = flatText(title);
    const GumboNode* body = findFirst(output->root, GUMBO_TAG_BODY);
    if (page.title.empty() && body)
        if (const GumboNode* h1 = findFirst(body, GUMBO_TAG_H1)) page.title = flatText(h1);

    // Depth first with an explicit stack: a null entry closes a block element.
    TextSink sink(kMaxReaderTextBytes);
    std::vector<const GumboNode*> stack;
    if (body) stack.push_back(body);
    while (!stack.empty() && !sink.full()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (!node) {
            sink.breakParagraph();
            continue;
        }
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
            node->type == GUMBO_NODE_CDATA) {
            sink.append(node->v.text.text);
            continue;
        }
        if (node->type != GUMBO_NODE_ELEMENT) continue;  // comments, templates
        const GumboTag tag = node->v.element.tag;
        if (isHidden(tag)) continue;
        if (tag == GUMBO_TAG_IMG) {
            continue;  // pictures have no text of their own in a reader
        }
        const bool block = isBlock(tag);
        if (block) {
            sink.breakParagraph();
            stack.push_back(nullptr);
        }
        const GumboVector& children = node->v.element.children;
        for (unsigned i = children.length; i-- > 0;)
            stack.push_back(static_cast<const GumboNode*>(children.data[i]));
    }
    page.truncated = sink.full();
    page.paragraphs = sink.finish();
    return page;
}

}  // namespace arquorel
