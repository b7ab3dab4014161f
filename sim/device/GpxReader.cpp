#include "sim/device/GpxReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <pugixml.hpp>
#include <sstream>

namespace arquorel::sim {

namespace {

std::string_view trim(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

// A tag name without its namespace prefix.
std::string_view localName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::optional<double> parseNumber(std::string_view s) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Reads exactly `digits` decimal digits.
bool digitsAt(std::string_view s, std::size_t at, int digits, int& out) {
    if (at + static_cast<std::size_t>(digits) > s.size()) return false;
    out = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = s[at + static_cast<std::size_t>(i)];
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// YYYY-MM-DDTHH:MM:SS[.fraction][Z|+HH:MM|-HH:MM], as seconds since 1970.
std::optional<double> parseTime(std::string_view s) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (s.size() < 19 || !digitsAt(s, 0, 4, year) || s[4] != '-' || !digitsAt(s, 5, 2, month) ||
        s[7] != '-' || !digitsAt(s, 8, 2, day) || (s[10] != 'T' && s[10] != 't') ||
        !digitsAt(s, 11, 2, hour) || s[13] != ':' || !digitsAt(s, 14, 2, minute) || s[16] != ':' ||
        !digitsAt(s, 17, 2, second))
        return std::nullopt;
    static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] ||
        (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::size_t i = 19;
    double fraction = 0;
    if (i < s.size() && s[i] == '.') {
        ++i;
        double scale = 0.1;
        const std::size_t first = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            fraction += (s[i] - '0') * scale;
            scale *= 0.1;
            ++i;
        }
        if (i == first) return std::nullopt;
    }
    int offset = 0;  // seconds east of UTC
    if (i < s.size()) {
        if ((s[i] == 'Z' || s[i] == 'z') && i + 1 == s.size()) {
            ++i;
        } else if ((s[i] == '+' || s[i] == '-') && s.size() == i + 6 && s[i + 3] == ':') {
            int oh = 0, om = 0;
            if (!digitsAt(s, i + 1, 2, oh) || !digitsAt(s, i + 4, 2, om) || oh > 23 || om > 59)
                return std::nullopt;
            offset = (oh * 3600 + om * 60) * (s[i] == '-' ? -1 : 1);
            i = s.size();
        } else {
            return std::nullopt;
        }
    }
    const long long seconds =
        daysFromCivil(year, month, day) * 86400LL + hour * 3600LL + minute * 60LL + second - offset;
    return static_cast<double>(seconds) + fraction;
}

// The node after `node` in document order, not entering `node`'s children when `skipChildren`;
// none after the last node below `root`.
pugi::xml_node nextInDocument(pugi::xml_node node, const pugi::xml_node& root, bool skipChildren) {
    if (!skipChildren && node.first_child()) return node.first_child();
    while (node && node != root) {
        if (node.next_sibling()) return node.next_sibling();
        node = node.parent();
    }
    return {};
}

// The first element after `node` in document order, below `root`, with the local name `name`.
pugi::xml_node firstBelow(const pugi::xml_node& node, std::string_view name,
                          const pugi::xml_node& root) {
    for (auto n = nextInDocument(node, root, false); n; n = nextInDocument(n, root, false))
        if (n.type() == pugi::node_element && localName(n) == name) return n;
    return {};
}
pugi::xml_node firstBelow(const pugi::xml_node& node, std::string_view name) {
    return firstBelow(node, name, node);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// What is wrong with the start tag that begins at `lt`, re-read by the rules the parser
// applies, in the words of a person fixing the file.
std::string tagProblem(std::string_view text, std::size_t lt) {
    std::size_t i = lt + 1;
    const auto readName = [&] {
        const std::size_t start = i;
        while (i < text.size() && !isSpace(text[i]) &&
               std::string_view("<>/=\"'").find(text[i]) == std::string_view::npos)
            ++i;
        return text.substr(start, i - start);
    };
    const auto skipSpace = [&] {
        while (i < text.size() && isSpace(text[i])) ++i;
    };
    if (readName().empty()) return "malformed tag";
    while (true) {
        skipSpace();
        if (i >= text.size()) return "unterminated tag";
        if (text[i] == '>' || text[i] == '/') return "malformed tag";
        const std::string attr(readName());
        if (attr.empty()) return "malformed attribute";
        skipSpace();
        if (i >= text.size() || text[i] != '=') return "attribute " + attr + " has no value";
        ++i;
        skipSpace();
        if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
            return "attribute " + attr + " is not quoted";
        const std::size_t end = text.find(text[i], i + 1);
        if (end == std::string_view::npos) return "unterminated attribute value";
        i = end + 1;
    }
}

// Where a text that is not well-formed XML goes wrong, and what is wrong there.
std::pair<std::size_t, std::string> xmlProblem(const pugi::xml_document& doc,
                                               const pugi::xml_parse_result& result,
                                               std::string_view text) {
    const auto at = std::min(static_cast<std::size_t>(result.offset), text.size());
    // The start of the construct that holds the offset, or the offset itself.
    const auto start = [&](std::string_view opening) {
        const std::size_t found = text.rfind(opening, at);
        return found == std::string_view::npos ? at : found;
    };
    switch (result.status) {
        case pugi::status_bad_comment:
            return {start("<!--"), "unterminated comment"};
        case pugi::status_bad_cdata:
            return {start("<![CDATA["), "unterminated CDATA section"};
        case pugi::status_bad_pi:
            return {start("<?"), "unterminated declaration"};
        case pugi::status_bad_doctype:
            return {start("<!"), "unterminated declaration"};
        case pugi::status_bad_start_element:
        case pugi::status_bad_attribute:
        case pugi::status_unrecognized_tag:
            return {start("<"), tagProblem(text, start("<"))};
        case pugi::status_bad_end_element:
            return {start("<"), text.find('>', at) == std::string_view::npos ? "unterminated tag"
                                                                             : "malformed tag"};
        case pugi::status_end_element_mismatch: {
            // At the name of an end tag that closes no open element, or at the end of the text
            // with elements left open; the last top-level element is one of them.
            if (at >= 2 && at < text.size() && text.substr(at - 2, 2) == "</") {
                const std::size_t end = text.find_first_of("> \t\r\n", at);
                if (end == std::string_view::npos) return {at - 2, "unterminated tag"};
                const std::string name(text.substr(at, end - at));
                return {at - 2, "</" + name + "> without <" + name + ">"};
            }
            return {text.size(), "the text ends before <" + std::string(doc.last_child().name()) +
                                     "> is closed"};
        }
        case pugi::status_out_of_memory:
            return {at, "out of memory"};
        default:
            return {at, std::string("malformed XML: ") + result.description()};
    }
}

class GpxReader {
  public:
    explicit GpxReader(std::string_view text) : text_(text) {}

    GpxTrack read() {
        GpxTrack track;
        if (!run(track.points)) {
            track.points.clear();
            track.error = error_;
        } else if (track.points.empty()) {
            track.error = "no track points (<trkpt>) found";
        }
        return track;
    }

  private:
    bool run(std::vector<TrackPoint>& points) {
        pugi::xml_document doc;
        const auto result =
            doc.load_buffer(text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
        if (result.status == pugi::status_no_document_element) return true;
        if (!result) {
            const auto [at, what] = xmlProblem(doc, result, text_);
            return fail(at, what);
        }
        for (auto node = nextInDocument(doc, doc, false); node;) {
            const bool point = node.type() == pugi::node_element && localName(node) == "trkpt";
            if (point && !readPoint(node, points)) return false;
            node = nextInDocument(node, doc, point);
        }
        return true;
    }

    bool readPoint(const pugi::xml_node& node, std::vector<TrackPoint>& points) {
        const auto at = static_cast<std::size_t>(node.offset_debug());
        TrackPoint point;
        if (!coordinate(node, at, point.coordinate)) return false;
        if (const auto inner = firstBelow(node, "trkpt"))
            return fail(static_cast<std::size_t>(inner.offset_debug()),
                        "<trkpt> inside another <trkpt>");
        auto time = firstBelow(node, "time");
        while (time && selfClosing(time)) time = firstBelow(time, "time", node);
        if (!time) return fail(at, "<trkpt> has no <time>");
        const std::string_view value = trim(time.text().get());
        const auto t = parseTime(value);
        if (!t)
            return fail(static_cast<std::size_t>(time.offset_debug()),
                        "bad time \"" + std::string(value) + "\"");
        point.time = *t;
        if (!points.empty() && point.time < points.back().time)
            return fail(at, "time goes backwards");
        points.push_back(point);
        return true;
    }

    bool coordinate(const pugi::xml_node& node, std::size_t at, Coordinate& out) {
        pugi::xml_attribute lat, lon;
        for (const auto& attr : node.attributes()) {
            const std::string_view name = attr.name();
            auto& slot = name == "lat" ? lat : name == "lon" ? lon : unused_;
            if (&slot == &unused_) continue;
            if (slot) return fail(at, "duplicate attribute " + std::string(name));
            slot = attr;
        }
        if (!lat) return fail(at, "<trkpt> has no lat");
        if (!lon) return fail(at, "<trkpt> has no lon");
        const auto latitude = parseNumber(lat.value());
        const auto longitude = parseNumber(lon.value());
        if (!latitude) return fail(at, "bad lat \"" + std::string(lat.value()) + "\"");
        if (!longitude) return fail(at, "bad lon \"" + std::string(lon.value()) + "\"");
        out = Coordinate{*latitude, *longitude};
        if (!isValid(out)) return fail(at, "coordinate out of range");
        return true;
    }

    // Whether an element was written as <name/>.
    bool selfClosing(const pugi::xml_node& element) const {
        const std::size_t gt = text_.find('>', static_cast<std::size_t>(element.offset_debug()));
        return gt != std::string_view::npos && text_[gt - 1] == '/';
    }

    bool fail(std::size_t at, const std::string& what) {
        at = std::min(at, text_.size());
        const auto line =
            1 + std::count(text_.begin(), text_.begin() + static_cast<long>(at), '\n');
        error_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    std::string_view text_;
    std::string error_;
    pugi::xml_attribute unused_;
};

}  // namespace

GpxTrack parseGpx(std::string_view text) {
    return GpxReader(text).read();
}

GpxTrack readGpxFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return GpxTrack{{}, "cannot open " + path.string()};
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return GpxTrack{{}, "cannot read " + path.string()};
    GpxTrack track = parseGpx(buffer.str());
    if (!track.ok()) track.error = path.string() + ": " + track.error;
    return track;
}

}  // namespace arquorel::sim
