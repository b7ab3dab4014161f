#include "arquorel/platform/web/reader/HtmlReader.h"

#include <gumbo.h>

#include <memory>
#include <optional>
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

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Elements that never hold another of their kind: the parser closes a <p> when the next <p>
// starts, an <a> at the next <a>, a heading at a heading right inside it, and it ignores a
// second <body>. Left out of the depth count: counting them would flatten an ordinary page
// that never closes its paragraphs, list items or links.
bool doesNotNest(std::string_view name) {
    for (std::string_view n :
         {"p",   "li",    "dt",    "dd",     "option",   "optgroup", "tr", "td",
          "th",  "tbody", "thead", "tfoot",  "colgroup", "rb",       "rt", "rp",
          "rtc", "a",     "nobr",  "button", "h1",       "h2",       "h3", "h4",
          "h5",  "h6",    "html",  "head",   "body",     "form"})
        if (name == n) return true;
    return false;
}

bool isVoid(std::string_view name) {
    for (std::string_view n :
         {"area", "base", "br", "col", "embed", "hr", "img", "input", "keygen", "link", "meta",
          "param", "source", "track", "wbr", "basefont", "bgsound", "frame", "image"})
        if (name == n) return true;
    return false;
}

// Elements whose content is text up to their own end tag, never markup.
bool holdsRawText(std::string_view name) {
    for (std::string_view n : {"script", "style", "textarea", "title", "xmp", "iframe", "noembed",
                               "noframes", "noscript"})
        if (name == n) return true;
    return false;
}

// Where the raw text of element `name` ends: at its end tag ("</name" followed by white space,
// '/' or '>'), in any letter case; the end of the page when it has none.
std::size_t rawTextEnd(std::string_view html, std::size_t from, std::string_view name) {
    for (std::size_t i = html.find("</", from); i != std::string_view::npos;
         i = html.find("</", i + 1)) {
        const std::size_t end = i + 2 + name.size();
        if (end > html.size()) break;
        bool same = true;
        for (std::size_t k = 0; same && k < name.size(); ++k)
            same = lower(html[i + 2 + k]) == name[k];
        if (same &&
            (end == html.size() || isSpace(html[end]) || html[end] == '/' || html[end] == '>'))
            return i;
    }
    return html.size();
}

// One tag as the HTML tokenizer reads it from a '<' followed by a letter (a start tag) or by
// "</" and a letter (an end tag): its lower-case name, where it ends, how many attributes it
// has and where the attributes begin. Quoted attribute values may hold '>'.
struct Tag {
    std::string name;
    std::size_t end = 0;         // one past the closing '>' (the page's end when unclosed)
    std::size_t attributes = 0;  // attributes written
    std::size_t nameEnd = 0;     // where the name ends
    bool selfClosing = false;
};

Tag readTag(std::string_view html, std::size_t at) {
    Tag tag;
    std::size_t i = at + (html[at + 1] == '/' ? 2 : 1);
    while (i < html.size() && !isSpace(html[i]) && html[i] != '/' && html[i] != '>')
        tag.name += lower(html[i++]);
    tag.nameEnd = i;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '>') {
            tag.end = i + 1;
            return tag;
        }
        if (isSpace(c)) {
            ++i;
            continue;
        }
        if (c == '/') {
            tag.selfClosing = i + 1 < html.size() && html[i + 1] == '>';
            ++i;
            continue;
        }
        // An attribute name (its first character may be anything, '=' included), then
        // optionally '=' and a value.
        ++tag.attributes;
        ++i;
        while (i < html.size() && !isSpace(html[i]) && html[i] != '/' && html[i] != '>' &&
               html[i] != '=')
            ++i;
        std::size_t j = i;
        while (j < html.size() && isSpace(html[j])) ++j;
        if (j >= html.size() || html[j] != '=') {
            i = j;
            continue;
        }
        ++j;
        while (j < html.size() && isSpace(html[j])) ++j;
        if (j < html.size() && (html[j] == '"' || html[j] == '\'')) {
            const std::size_t close = html.find(html[j], j + 1);
            i = close == std::string_view::npos ? html.size() : close + 1;
        } else {
            while (j < html.size() && !isSpace(html[j]) && html[j] != '>') ++j;
            i = j;
        }
    }
    tag.end = html.size();
    return tag;
}

// The page with what would make the parser's work grow faster than the page removed: start
// tags nested deeper than kMaxReaderDepth with their end tags (their text is kept, except the
// text of a script or style, which is dropped with it), and the attributes of a tag with more
// than kMaxReaderAttributes (the reader reads none). The parser checks its stack of open
// elements at every tag, and every new attribute against those before it: the square of the
// depth or of the count. None when the page has neither, as every ordinary page.
std::optional<std::string> boundedMarkup(std::string_view html) {
    std::string out;
    bool changed = false;
    std::size_t copied = 0;  // html[copied...] is not yet in `out`
    const auto replace = [&](std::size_t from, std::size_t to, std::string_view instead) {
        if (!changed) out.reserve(html.size());
        changed = true;
        out.append(html.substr(copied, from - copied));
        out.append(instead);
        copied = to;
    };
    std::size_t depth = 0;
    std::size_t foreignFrom = 0;  // the depth of the open <svg> or <math>; 0 outside them
    std::size_t i = html.find('<');
    while (i != std::string_view::npos && i + 1 < html.size()) {
        const char next = html[i + 1];
        std::size_t resume = i + 1;
        if (html.compare(i, 4, "<!--") == 0) {
            const std::size_t close = html.compare(i + 4, 1, ">") == 0    ? i + 2
                                      : html.compare(i + 4, 2, "->") == 0 ? i + 3
                                                                          : html.find("-->", i + 4);
            resume = close == std::string_view::npos ? html.size() : close + 3;
        } else if (next == '!' || next == '?' ||
                   (next == '/' && (i + 2 >= html.size() || !isLetter(html[i + 2])))) {
            const std::size_t close = html.find('>', i + 2);  // a bogus comment
            resume = close == std::string_view::npos ? html.size() : close + 1;
        } else if (isLetter(next)) {
            const Tag tag = readTag(html, i);
            resume = tag.end;
            if (tag.name == "plaintext") break;  // the rest of the page is text
            // "<div/>" opens a div: only in SVG and MathML does the slash close the element.
            const bool opens = !isVoid(tag.name) && !doesNotNest(tag.name) &&
                               !(tag.selfClosing && foreignFrom > 0);
            const bool raw = holdsRawText(tag.name);
            if (raw) resume = rawTextEnd(html, resume, tag.name);
            if (opens && ++depth > kMaxReaderDepth) {
                if (raw) {  // the element with its text and its end tag
                    const std::size_t to =
                        resume < html.size() ? readTag(html, resume).end : html.size();
                    --depth;
                    replace(i, to, {});
                    resume = to;
                } else {
                    replace(i, tag.end, {});
                }
            } else if (tag.attributes > kMaxReaderAttributes) {
                replace(
                    i, tag.end,
                    std::string(html.substr(i, tag.nameEnd - i)) + (tag.selfClosing ? "/>" : ">"));
            }
            if (opens && foreignFrom == 0 && (tag.name == "svg" || tag.name == "math"))
                foreignFrom = depth;
        } else if (next == '/') {
            const Tag tag = readTag(html, i);
            resume = tag.end;
            if (!isVoid(tag.name) && !doesNotNest(tag.name) && depth > 0) {
                if (depth > kMaxReaderDepth) replace(i, tag.end, {});
                if (depth == foreignFrom) foreignFrom = 0;
                --depth;
            }
        }
        i = resume >= html.size() ? std::string_view::npos : html.find('<', resume);
    }
    if (!changed) return std::nullopt;
    out.append(html.substr(copied));
    return out;
}

// A break opportunity that takes no room: line breaking finds one in every long word.
constexpr const char* kZeroWidthSpace = "\u200B";

// Text gathered into paragraphs with runs of white space collapsed to one space, and a zero
// width space after every kMaxReaderRun characters without a space (a line breaker's work on
// a word grows with the square of its length).
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
                run_ = 0;
            }
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && run_++ == kMaxReaderRun) {
                for (const char z : std::string_view(kZeroWidthSpace)) push(z);
                run_ = 1;
            }
            push(c);
        }
    }
    void breakParagraph() {
        pendingSpace_ = false;
        run_ = 0;
        // A space or a break opportunity is last only where the cap cut off what followed.
        while (current_.ends_with(' ') || current_.ends_with(kZeroWidthSpace))
            current_.resize(current_.size() - (current_.back() == ' ' ? 1 : 3));
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
        if (full_) return;
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
    std::size_t run_ = 0;  // characters since the last space
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

std::string ReaderPage::text(std::size_t maxBytes) const {
    std::string out;
    for (const auto& p : paragraphs) {
        if (!out.empty()) out += "\n\n";
        if (out.size() + p.size() > maxBytes) {
            std::size_t cut = maxBytes > out.size() ? maxBytes - out.size() : 0;
            while (cut > 0 && (static_cast<unsigned char>(p[cut]) & 0xC0) == 0x80) --cut;
            out.append(p, 0, cut);
            while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
            break;
        }
        out += p;
    }
    return out;
}

ReaderPage readHtml(std::string_view html) {
    const std::optional<std::string> bounded = boundedMarkup(html);
    if (bounded) html = *bounded;
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;  // the page's syntax errors are of no use to a reader
    const std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&options, html.data(), html.size()), OutputDeleter{&options});
    ReaderPage page;
    if (!output) return page;
    page.flattened = bounded.has_value();
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
