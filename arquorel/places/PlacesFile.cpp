#include "arquorel/places/PlacesFile.h"

#include <fast_float/fast_float.h>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <unordered_map>
#include <variant>

namespace arquorel {

namespace {

using json = nlohmann::json;

// Builds one JSON value from parser events, for the containers the loader keeps whole
// (names, micro-data and values shown in problems).
class ValueBuilder {
  public:
    void start(json& root) {
        root_ = &root;
        open_.clear();
    }
    bool building() const { return !open_.empty(); }

    void add(json&& v) { place(std::move(v)); }
    void key(std::string& k) { slot_ = &(*open_.back())[std::move(k)]; }
    void open(json&& container) { open_.push_back(place(std::move(container))); }
    void close() { open_.pop_back(); }

  private:
    // Puts a value where the next one goes: the root, the pending object member or the end of
    // the open array. Returns where it went.
    json* place(json&& v) {
        if (open_.empty()) {
            *root_ = std::move(v);
            return root_;
        }
        if (open_.back()->is_array()) {
            open_.back()->push_back(std::move(v));
            return &open_.back()->back();
        }
        *slot_ = std::move(v);
        return slot_;
    }

    json* root_ = nullptr;
    std::vector<json*> open_;
    json* slot_ = nullptr;
};

// Replaces bytes that are not valid UTF-8 with U+FFFD so that messages are printable.
std::string validUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
        bool ok = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k)
            ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (ok) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// Splits a JSON text into tokens the way the parser's lexer does, so that an error position can
// be traced back to the start of its token and numbers can be checked before parsing. A token
// the lexer would reject ends just after the character that makes it fail; one cut short by the
// end of the text ends one past the end.
class JsonTokenizer {
  public:
    enum class Kind { structural, string, number, literal, other };
    struct Token {
        Kind kind = Kind::other;
        std::size_t start = 0;
        std::size_t end = 0;
        bool complete = false;  // a whole token the lexer accepts
    };

    explicit JsonTokenizer(std::string_view text) : text_(text) {
        if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
    }

    // The next token; none at the end of the text.
    std::optional<Token> next() {
        while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return std::nullopt;
        const std::size_t start = pos_;
        const char c = text_[pos_];
        Token t;
        switch (c) {
            case '[':
            case ']':
            case '{':
            case '}':
            case ':':
            case ',':
                t = {Kind::structural, start, start + 1, true};
                break;
            case '"':
                t = string(start);
                break;
            case 't':
                t = literal(start, "true");
                break;
            case 'f':
                t = literal(start, "false");
                break;
            case 'n':
                t = literal(start, "null");
                break;
            default:
                t = c == '-' || isDigit(c) ? number(start)
                                           : Token{Kind::other, start, start + 1, false};
        }
        pos_ = t.end;
        return t;
    }

  private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    bool digitAt(std::size_t i) const { return i < text_.size() && isDigit(text_[i]); }

    // A token that fails at `i`: the failing character is part of it.
    Token failed(Kind kind, std::size_t start, std::size_t i) const {
        return {kind, start, std::min(i, text_.size()) + 1, false};
    }

    Token string(std::size_t start) const {
        std::size_t i = start + 1;
        while (i < text_.size() && text_[i] != '"') i += text_[i] == '\\' ? 2 : 1;
        if (i >= text_.size()) return failed(Kind::string, start, text_.size());
        return {Kind::string, start, i + 1, true};
    }

    Token literal(std::size_t start, std::string_view word) const {
        for (std::size_t k = 1; k < word.size(); ++k)
            if (start + k >= text_.size() || text_[start + k] != word[k])
                return failed(Kind::literal, start, start + k);
        return {Kind::literal, start, start + word.size(), true};
    }

    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, read as far as it goes.
    Token number(std::size_t start) const {
        std::size_t i = start;
        if (text_[i] == '-') ++i;
        if (!digitAt(i)) return failed(Kind::number, start, i);
        if (text_[i++] != '0')
            while (digitAt(i)) ++i;
        if (i < text_.size() && text_[i] == '.') {
            if (!digitAt(++i)) return failed(Kind::number, start, i);
            while (digitAt(i)) ++i;
        }
        if (i < text_.size() && (text_[i] == 'e' || text_[i] == 'E')) {
            ++i;
            if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) ++i;
            if (!digitAt(i)) return failed(Kind::number, start, i);
            while (digitAt(i)) ++i;
        }
        return {Kind::number, start, i, true};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// Whether a number token lies beyond the range of a double, as the parser reads it: integers
// too wide for 64 bits are read as doubles too.
bool beyondDouble(std::string_view number) {
    // Only an exponent or more than 308 digits can reach past 1.8e308.
    if (number.find_first_of("eE") == std::string_view::npos && number.size() < 309) return false;
    const std::string copy(number);
    return !std::isfinite(std::strtod(copy.c_str(), nullptr));
}

// Line and column (from 1, the column in characters) of a byte offset.
std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

PlacesFileError positionedError(PlacesFileError::Kind kind, std::string_view text,
                                std::size_t offset, const std::string& what) {
    const auto [line, column] = lineAndColumn(text, offset);
    return {kind,
            "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what,
            line, column};
}

// The parser's description without its "[json.exception...]" tag, its own position and its
// "last read" excerpt (the position says where).
std::string parserMessage(const std::string& what) {
    std::string_view s = what;
    if (!s.empty() && s.front() == '[') {
        const auto end = s.find("] ");
        if (end != std::string_view::npos) s.remove_prefix(end + 2);
    }
    if (s.starts_with("parse error")) {
        const auto column = s.find("column ");
        const auto colon = column == std::string_view::npos ? column : s.find(": ", column);
        if (colon != std::string_view::npos) {
            s.remove_prefix(colon + 2);
        } else if (const auto c = s.find(": "); c != std::string_view::npos) {
            s.remove_prefix(c + 2);
        }
    }
    if (const auto lastRead = s.find("; last read: "); lastRead != std::string_view::npos)
        s = s.substr(0, lastRead);
    return validUtf8(s);
}

// At most 40 bytes of a text, cut at a character boundary, with "…" when cut.
std::string excerpt(std::string text) {
    constexpr std::size_t kLimit = 40;
    if (text.size() > kLimit) {
        std::size_t cut = kLimit;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
        text += "…";
    }
    return text;
}

// "string \"43.7\"", "number 1.5", "object {...}": the kind and a short rendering of a value.
std::string shown(const json& v) {
    if (v.is_null()) return "null";
    return std::string(v.type_name()) + " " +
           excerpt(v.dump(-1, ' ', false, json::error_handler_t::replace));
}

std::string outOfRangeMessage(const OutOfRangeNumber& n) {
    return "number out of the range of a double: " + excerpt(n.text);
}

enum class Special { latitude, longitude, names, microData };
using StringField = PlaceText QuorelProperty::*;
using IntegerField = std::int64_t QuorelProperty::*;
using RealField = double QuorelProperty::*;
using Target = std::variant<StringField, IntegerField, RealField, Special>;

struct FieldSpec {
    const char* key;
    Target target;
};

// The record's fields in declaration order; problems are reported in this order.
const FieldSpec kFields[] = {
    {"id", &QuorelProperty::id},
    {"category_color", &QuorelProperty::category_color},
    {"parent_category_title", &QuorelProperty::parent_category_title},
    {"category", &QuorelProperty::category},
    {"brand_category_color", &QuorelProperty::brand_category_color},
    {"category_id", &QuorelProperty::category_id},
    {"name", &QuorelProperty::name},
    {"searchNames", &QuorelProperty::searchNames},
    {"lat", Special::latitude},
    {"lng", Special::longitude},
    {"img", &QuorelProperty::img},
    {"logo", &QuorelProperty::logo},
    {"elevation", &QuorelProperty::elevation},
    {"elevation_height", &QuorelProperty::elevation_height},
    {"housenumber", &QuorelProperty::housenumber},
    {"street", &QuorelProperty::street},
    {"city", &QuorelProperty::city},
    {"postcode", &QuorelProperty::postcode},
    {"names", Special::names},
    {"opening_hours", &QuorelProperty::opening_hours},
    {"phone", &QuorelProperty::phone},
    {"link", &QuorelProperty::link},
    {"email", &QuorelProperty::email},
    {"facebook", &QuorelProperty::facebook},
    {"wikipedia", &QuorelProperty::wikipedia},
    {"micro_data", Special::microData},
    {"rand_position", &QuorelProperty::rand_position},
    {"package", &QuorelProperty::package},
    {"shareText", &QuorelProperty::shareText},
    {"shareurl", &QuorelProperty::shareurl},
    {"price", &QuorelProperty::price},
    {"squareMeters", &QuorelProperty::squareMeters},
    {"pieces", &QuorelProperty::pieces},
    {"distance", &QuorelProperty::distance},
    {"rand_main_poosition", &QuorelProperty::rand_main_poosition},
};

// A whole number that fits 64 bits, or what is wrong with the value.
// `written` is the value as written when it is a whole number too wide for 64 bits, which the
// parser delivers as a double (rounded: -9223372036854775809 would pass for INT64_MIN).
std::variant<std::int64_t, std::string> wholeNumber(const json& v, const std::string& written) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    if (!written.empty()) return "out of the 64-bit integer range: number " + excerpt(written);
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(kMax))
            return "out of the 64-bit integer range: " + shown(v);
        return static_cast<std::int64_t>(u);
    }
    if (v.is_number_integer()) return v.get<std::int64_t>();
    if (v.is_number_float()) {
        const double d = v.get<double>();
        // 2^63 is exactly representable; every double below it and at or above -2^63 converts.
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
            return "out of the 64-bit integer range: " + shown(v);
        if (std::floor(d) != d) return "not a whole number: " + shown(v);
        return static_cast<std::int64_t>(d);
    }
    return "expected a whole number, got " + shown(v);
}

constexpr std::size_t kFieldCount = std::size(kFields);

// The fields' keys with their lengths.
const std::array<std::string_view, kFieldCount> kKeys = [] {
    std::array<std::string_view, kFieldCount> keys;
    for (std::size_t i = 0; i < kFieldCount; ++i) keys[i] = kFields[i].key;
    return keys;
}();

// The index in kFields of a key; kFieldCount for keys that are not fields.
std::size_t fieldIndex(std::string_view key) {
    static const std::unordered_map<std::string_view, std::size_t> index = [] {
        std::unordered_map<std::string_view, std::size_t> m;
        for (std::size_t i = 0; i < kFieldCount; ++i) m.emplace(kFields[i].key, i);
        return m;
    }();
    const auto it = index.find(key);
    return it == index.end() ? kFieldCount : it->second;
}

// The values of one element's fields, as the parser delivered them.
struct FieldValues {
    std::array<json, kFieldCount> value;
    std::array<bool, kFieldCount> present{};
    // A problem with a number beyond the range of a double in the field's value.
    std::array<std::string, kFieldCount> numberProblem;
    // The field's value when it is a whole number too wide for 64 bits, as written.
    std::array<std::string, kFieldCount> wideInteger;

    void clear() {
        present.fill(false);
        for (auto& p : numberProblem) p.clear();
        for (auto& w : wideInteger) w.clear();
    }
    // The "id" text read so far; empty when there is none.
    std::string id() const {
        return present[0] && value[0].is_string() ? value[0].get<std::string>() : std::string();
    }
};

// Turns the field values of one element into a record, reporting what is wrong.
class RecordReader {
  public:
    RecordReader(PlacesFile& file, std::size_t index) : file_(file), index_(index) {}

    void notAnObject(const std::string& shownElement) {
        report("", "not an object: " + shownElement, true);
    }

    void read(FieldValues& fields) {
        id_ = fields.id();  // kFields starts with "id"
        auto record = std::make_shared<QuorelProperty>();
        const std::size_t firstProblem = file_.problems.size();
        bool coordinateUsable = true;
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            const FieldSpec& field = kFields[f];
            json& v = fields.value[f];
            const bool present = fields.present[f] && !v.is_null();
            const std::string& numberProblem = fields.numberProblem[f];
            if (!numberProblem.empty()) report(field.key, numberProblem, false);
            if (const auto* special = std::get_if<Special>(&field.target)) {
                if (*special == Special::latitude || *special == Special::longitude) {
                    const bool isLat = *special == Special::latitude;
                    if (!present) {
                        if (numberProblem.empty())
                            report(field.key, fields.present[f] ? "missing: null" : "missing",
                                   false);
                        coordinateUsable = false;
                    } else if (!readCoordinate(field.key, v, isLat,
                                               isLat ? record->lat : record->lng)) {
                        coordinateUsable = false;
                    }
                } else if (*special == Special::microData) {
                    // null means no block; a string is the block's text; any other value is
                    // written out as the block.
                    if (present) {
                        const std::string text =
                            v.is_string() ? std::move(v.get_ref<std::string&>())
                                          : v.dump(-1, ' ', false, json::error_handler_t::replace);
                        record->micro_data.emplace(text.begin(), text.end());
                    }
                } else if (present) {
                    readNames(v, record->names);
                }
                continue;
            }
            if (!present) continue;
            std::visit(
                [&](auto member) {
                    if constexpr (std::is_same_v<decltype(member), StringField>) {
                        if (v.is_string())
                            (*record).*member = std::move(v.get_ref<std::string&>());
                        else
                            report(field.key, "expected a string, got " + shown(v), false);
                    } else if constexpr (std::is_same_v<decltype(member), IntegerField>) {
                        auto n = wholeNumber(v, fields.wideInteger[f]);
                        if (auto* value = std::get_if<std::int64_t>(&n))
                            (*record).*member = *value;
                        else
                            report(field.key, std::get<std::string>(n), false);
                    } else if constexpr (std::is_same_v<decltype(member), RealField>) {
                        if (v.is_number())
                            (*record).*member = v.get<double>();
                        else
                            report(field.key, "expected a number, got " + shown(v), false);
                    }
                },
                field.target);
        }
        if (!coordinateUsable) {
            for (std::size_t i = firstProblem; i < file_.problems.size(); ++i) {
                const auto& field = file_.problems[i].field;
                if (field == "lat" || field == "lng") file_.problems[i].leftOut = true;
            }
            return;
        }
        file_.records.push_back(std::move(record));
    }

  private:
    bool readCoordinate(const char* key, const json& v, bool latitude, double& out) {
        if (!v.is_number()) {
            report(key, "not a number: " + shown(v), false);
            return false;
        }
        const double d = v.get<double>();
        const double limit = latitude ? 90 : 180;
        if (!(d >= -limit && d <= limit)) {
            report(key,
                   std::string("out of range ") + (latitude ? "-90..90" : "-180..180") + ": " +
                       shown(v),
                   false);
            return false;
        }
        out = d;
        return true;
    }

    void readNames(json& v, std::vector<std::string>& names) {
        if (!v.is_array()) {
            report("names", "expected an array of strings, got " + shown(v), false);
            return;
        }
        names.reserve(v.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (v[i].is_string())
                names.push_back(std::move(v[i].get_ref<std::string&>()));
            else
                report("names[" + std::to_string(i) + "]", "expected a string, got " + shown(v[i]),
                       false);
        }
    }

    void report(std::string field, std::string message, bool leftOut) {
        file_.problems.push_back({index_, id_, std::move(field), std::move(message), leftOut});
    }

    PlacesFile& file_;
    std::size_t index_;
    std::string id_;
};

// Reads an element that is a plain, faultless record in one pass over its text, straight into
// a record, without the parser's events and values. It takes only what it can check fully:
// every field of the expected type and in range, strings valid UTF-8 without \u escapes,
// containers no deeper than a few levels. Anything else gives nothing back, and the element
// goes through the parser and RecordReader, which read and report it exactly; so whatever this
// reader accepts, it reads the way they would.
class PlainRecordReader {
  public:
    // The record an element's text holds, or nothing.
    std::shared_ptr<QuorelProperty> read(std::string_view element) {
        std::size_t length = 0;
        auto record = readFront(element, length);
        return length == element.size() ? record : nullptr;
    }
    // The record at the start of a text that may go on past it; `length` is set to the
    // record's length. Nothing when the text ends before the record does.
    std::shared_ptr<QuorelProperty> readFront(std::string_view text, std::size_t& length) {
        text_ = text;
        pos_ = 0;
        values_.fill({});
        if (!object()) return nullptr;
        length = pos_;
        return record();
    }

  private:
    enum class Kind : std::uint8_t { absent, null, boolean, string, integer, real, array, object };
    struct Value {
        Kind kind = Kind::absent;
        bool escaped = false;  // a string with escapes
        std::uint32_t start = 0, end = 0;
    };
    static constexpr std::size_t kMaxDepth = 16;

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    void skipSpace() {
        while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
    }
    bool consume(char c) {
        skipSpace();
        if (peek() != c) return false;
        ++pos_;
        skipSpace();
        return true;
    }

    // The element's object: its keys and where each field's value lies.
    bool object() {
        if (text_.size() > std::numeric_limits<std::uint32_t>::max() || !consume('{')) return false;
        std::size_t position = 0;
        if (peek() == '}') {
            ++pos_;
            return true;
        }
        for (;; ++position) {
            Value key;
            if (!string(key) || key.escaped) return false;
            const std::string_view name = text_.substr(key.start + 1, key.end - key.start - 2);
            if (!consume(':')) return false;
            // Records usually list their keys in the same order: try the field that stood at
            // this position in the previous element before looking the key up.
            std::size_t field;
            if (position < keyOrder_.size() && keyOrder_[position] < kFieldCount &&
                name == kKeys[keyOrder_[position]]) {
                field = keyOrder_[position];
            } else {
                field = fieldIndex(name);
                if (position >= keyOrder_.size()) keyOrder_.resize(position + 1, kFieldCount);
                keyOrder_[position] = field;
            }
            Value v;
            if (!value(v, 1)) return false;
            if (field < kFieldCount)
                values_[field] = v;
            else if ((v.kind == Kind::array || v.kind == Kind::object) && !json::accept(slice(v)))
                return false;
            skipSpace();
            if (peek() == '}') {
                ++pos_;
                return true;
            }
            if (!consume(',')) return false;
        }
    }

    std::string_view slice(const Value& v) const { return text_.substr(v.start, v.end - v.start); }

    // Any value; containers are only delimited here, their contents read when used.
    bool value(Value& v, std::size_t depth) {
        skipSpace();
        const char c = peek();
        if (c == '"') return string(v);
        if (c == '-' || isDigit(c)) return number(v);
        if (c == '{' || c == '[') return container(v, depth);
        v.start = static_cast<std::uint32_t>(pos_);
        for (const std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(pos_, word.size()) == word) {
                pos_ += word.size();
                v.kind = word == "null" ? Kind::null : Kind::boolean;
                v.end = static_cast<std::uint32_t>(pos_);
                return true;
            }
        }
        return false;
    }

    // A string as the parser accepts it: no control characters, valid escapes, valid UTF-8.
    // \u escapes are left to the parser.
    bool string(Value& v) {
        v.kind = Kind::string;
        v.start = static_cast<std::uint32_t>(pos_);
        if (peek() != '"') return false;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size()) return false;
            const auto c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') break;
            if (c < 0x20) return false;
            if (c == '\\') {
                if (pos_ + 1 >= text_.size()) return false;
                const char e = text_[pos_ + 1];
                if (e != '"' && e != '\\' && e != '/' && e != 'b' && e != 'f' && e != 'n' &&
                    e != 'r' && e != 't')
                    return false;
                v.escaped = true;
                pos_ += 2;
            } else if (c < 0x80) {
                ++pos_;
            } else if (const std::size_t n = utf8Length(pos_)) {
                pos_ += n;
            } else {
                return false;
            }
        }
        ++pos_;
        v.end = static_cast<std::uint32_t>(pos_);
        return true;
    }

    // The length of the well-formed UTF-8 sequence at `i`; 0 when it is not one.
    std::size_t utf8Length(std::size_t i) const {
        const auto at = [&](std::size_t k) {
            return i + k < text_.size() ? static_cast<unsigned char>(text_[i + k]) : 0u;
        };
        const unsigned c = at(0), d = at(1);
        const auto cont = [](unsigned b) { return b >= 0x80 && b <= 0xBF; };
        if (c >= 0xC2 && c <= 0xDF) return cont(d) ? 2 : 0;
        if (c >= 0xE0 && c <= 0xEF) {
            const bool second = c == 0xE0   ? d >= 0xA0 && d <= 0xBF
                                : c == 0xED ? d >= 0x80 && d <= 0x9F
                                            : cont(d);
            return second && cont(at(2)) ? 3 : 0;
        }
        if (c >= 0xF0 && c <= 0xF4) {
            const bool second = c == 0xF0   ? d >= 0x90 && d <= 0xBF
                                : c == 0xF4 ? d >= 0x80 && d <= 0x8F
                                            : cont(d);
            return second && cont(at(2)) && cont(at(3)) ? 4 : 0;
        }
        return 0;
    }

    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    bool number(Value& v) {
        v.start = static_cast<std::uint32_t>(pos_);
        v.kind = Kind::integer;
        if (peek() == '-') ++pos_;
        if (!isDigit(peek())) return false;
        if (text_[pos_++] != '0')
            while (isDigit(peek())) ++pos_;
        if (peek() == '.') {
            v.kind = Kind::real;
            ++pos_;
            if (!isDigit(peek())) return false;
            while (isDigit(peek())) ++pos_;
        }
        bool exponent = false;
        if (peek() == 'e' || peek() == 'E') {
            v.kind = Kind::real;
            exponent = true;
            ++pos_;
            if (peek() == '+' || peek() == '-') ++pos_;
            if (!isDigit(peek())) return false;
            while (isDigit(peek())) ++pos_;
        }
        v.end = static_cast<std::uint32_t>(pos_);
        // Only an exponent or more than 308 digits can reach past the range of a double, which
        // the parser refuses wherever the number stands.
        double ignored;
        return !(exponent || v.end - v.start > 308) || real(v, ignored);
    }

    // Finds where a container ends (strings and brackets only); its grammar is checked when
    // its contents are read.
    bool container(Value& v, std::size_t depth) {
        v.start = static_cast<std::uint32_t>(pos_);
        v.kind = peek() == '[' ? Kind::array : Kind::object;
        std::size_t open = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '"') {
                Value s;
                if (!string(s)) return false;
                continue;
            }
            if (c == '[' || c == '{') {
                if (depth + ++open > kMaxDepth) return false;
            } else if ((c == ']' || c == '}') && --open == 0) {
                ++pos_;
                v.end = static_cast<std::uint32_t>(pos_);
                return true;
            } else if (c == '\0') {
                return false;
            }
            ++pos_;
        }
        return false;
    }

    // A string value's text, its escapes undone.
    std::string_view text(const Value& v) {
        const std::string_view raw = text_.substr(v.start + 1, v.end - v.start - 2);
        if (!v.escaped) return raw;
        unescaped_.clear();
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\') {
                unescaped_ += raw[i];
                continue;
            }
            switch (raw[++i]) {
                case 'b':
                    unescaped_ += '\b';
                    break;
                case 'f':
                    unescaped_ += '\f';
                    break;
                case 'n':
                    unescaped_ += '\n';
                    break;
                case 'r':
                    unescaped_ += '\r';
                    break;
                case 't':
                    unescaped_ += '\t';
                    break;
                default:
                    unescaped_ += raw[i];
            }
        }
        return unescaped_;
    }

    // A number as the parser reads it: whole numbers within 64 bits exactly, others as the
    // nearest double. False for a number beyond the range of a double.
    bool real(const Value& v, double& out) const {
        const std::string_view s = slice(v);
        if (v.kind == Kind::integer) {
            if (s.front() == '-') {
                std::int64_t i;
                if (std::from_chars(s.data(), s.data() + s.size(), i).ec == std::errc()) {
                    out = static_cast<double>(i);
                    return true;
                }
            } else {
                std::uint64_t u;
                if (std::from_chars(s.data(), s.data() + s.size(), u).ec == std::errc()) {
                    out = static_cast<double>(u);
                    return true;
                }
            }
        }
        // Others as the nearest double, as the parser's strtod reads them (whatever the
        // locale); strtod is slow, in WebAssembly above all, where it goes through a software
        // long double.
        const auto read = fast_float::from_chars(s.data(), s.data() + s.size(), out);
        return read.ec == std::errc() && read.ptr == s.data() + s.size() && std::isfinite(out);
    }

    // An array of strings, each checked, or false.
    bool strings(const Value& v, std::vector<std::string>& out) {
        const std::size_t end = v.end;
        pos_ = v.start + 1;
        skipSpace();
        if (peek() == ']') return pos_ + 1 == end;
        for (;;) {
            Value s;
            if (!string(s)) return false;
            out.emplace_back(text(s));
            skipSpace();
            if (peek() == ']') return pos_ + 1 == end;
            if (!consume(',')) return false;
        }
    }

    // Whether a container is written as the parser's compact serialisation writes it back: no
    // white space, strings without escapes, object keys in ascending order (so also no key
    // twice), and only strings and containers as values. Such a text is its own serialisation.
    bool canonical(const Value& v) const {
        const std::string_view s = slice(v);
        struct Open {
            bool object;
            bool hasKey = false;
            std::string_view lastKey;
        };
        std::vector<Open> open;
        enum class Next { value, key, after } next = Next::value;  // what may come next
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '"') {
                const std::size_t close = s.find('"', i + 1);
                const std::string_view body = s.substr(i + 1, close - i - 1);
                if (body.find('\\') != std::string_view::npos) return false;
                if (next == Next::key) {
                    Open& o = open.back();
                    if (o.hasKey && body <= o.lastKey) return false;
                    o.hasKey = true;
                    o.lastKey = body;
                    if (close + 1 >= s.size() || s[close + 1] != ':') return false;
                    i = close + 1;
                    next = Next::value;
                    continue;
                }
                if (next != Next::value) return false;
                next = Next::after;
                i = close;
            } else if (c == '[' || c == '{') {
                if (next != Next::value) return false;
                open.push_back({c == '{', false, {}});
                next = c == '{' ? Next::key : Next::value;
            } else if (c == ']' || c == '}') {
                if (open.empty() || open.back().object != (c == '}')) return false;
                const bool empty = s[i - 1] == (c == '}' ? '{' : '[');
                if (!empty && next != Next::after) return false;
                open.pop_back();
                next = Next::after;
            } else if (c == ',') {
                if (open.empty() || next != Next::after) return false;
                next = open.back().object ? Next::key : Next::value;
            } else {
                return false;
            }
        }
        return open.empty() && next == Next::after;
    }

    std::shared_ptr<QuorelProperty> record() {
        auto record = std::make_shared<QuorelProperty>();
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            const Value& v = values_[f];
            const FieldSpec& field = kFields[f];
            if (const auto* special = std::get_if<Special>(&field.target)) {
                if (*special == Special::latitude || *special == Special::longitude) {
                    const bool isLat = *special == Special::latitude;
                    double d;
                    if ((v.kind != Kind::integer && v.kind != Kind::real) || !real(v, d))
                        return nullptr;
                    const double limit = isLat ? 90 : 180;
                    if (!(d >= -limit && d <= limit)) return nullptr;
                    (isLat ? record->lat : record->lng) = d;
                } else if (*special == Special::names) {
                    if (v.kind == Kind::array) {
                        if (!strings(v, record->names)) return nullptr;
                    } else if (v.kind != Kind::absent && v.kind != Kind::null) {
                        return nullptr;
                    }
                } else if (v.kind == Kind::string) {
                    const std::string_view t = text(v);
                    record->micro_data.emplace(t.begin(), t.end());
                } else if (v.kind != Kind::absent && v.kind != Kind::null) {
                    const std::string_view s = slice(v);
                    if (canonical(v)) {
                        record->micro_data.emplace(s.begin(), s.end());
                    } else {
                        const json parsed = json::parse(s, nullptr, false);
                        if (parsed.is_discarded()) return nullptr;
                        const std::string dumped =
                            parsed.dump(-1, ' ', false, json::error_handler_t::replace);
                        record->micro_data.emplace(dumped.begin(), dumped.end());
                    }
                }
                continue;
            }
            if (v.kind == Kind::absent || v.kind == Kind::null) continue;
            if (const auto* member = std::get_if<StringField>(&field.target)) {
                if (v.kind != Kind::string) return nullptr;
                (*record).*(*member) = text(v);
            } else if (const auto* integer = std::get_if<IntegerField>(&field.target)) {
                const std::string_view s = slice(v);
                if (v.kind != Kind::integer ||
                    std::from_chars(s.data(), s.data() + s.size(), (*record).*(*integer)).ec !=
                        std::errc())
                    return nullptr;
            } else if (const auto* realField = std::get_if<RealField>(&field.target)) {
                if ((v.kind != Kind::integer && v.kind != Kind::real) ||
                    !real(v, (*record).*(*realField)))
                    return nullptr;
            }
        }
        return record;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::array<Value, kFieldCount> values_;
    std::vector<std::size_t> keyOrder_;  // field index of each key position, last element
    std::string unescaped_;
};

// Reads the records while the parser runs, without building the whole document: the values
// of one element at a time are collected by field and turned into a record when the element
// ends. Containers below the element's fields are built as JSON values.
class PlacesLoader final : public nlohmann::json_sax<json> {
  public:
    PlacesLoader(PlacesFile& file, const std::vector<OutOfRangeNumber>& outOfRange)
        : file_(file), outOfRange_(outOfRange) {}

    bool null() override { return scalar(nullptr); }
    bool boolean(bool v) override { return scalar(v); }
    bool number_integer(number_integer_t v) override {
        number(v);
        return true;
    }
    bool number_unsigned(number_unsigned_t v) override {
        number(v);
        return true;
    }
    bool number_float(number_float_t v, const string_t& written) override {
        if (!number(v)) return true;
        // A whole number too wide for 64 bits comes as a double.
        if (!builder_.building() && level_ == Level::element && field_ < kFieldCount &&
            written.find_first_of(".eE") == std::string::npos)
            values_.wideInteger[field_] = written;
        return true;
    }
    bool string(string_t& v) override { return scalar(std::move(v)); }
    bool binary(binary_t& v) override { return scalar(json::binary(v)); }
    bool start_object(std::size_t) override {
        return ++depth_ <= kMaxJsonNesting && startContainer(json::object());
    }
    bool start_array(std::size_t) override {
        return ++depth_ <= kMaxJsonNesting && startContainer(json::array());
    }
    bool end_object() override {
        --depth_;
        return endContainer();
    }
    bool end_array() override {
        --depth_;
        return endContainer();
    }
    bool key(string_t& k) override {
        if (builder_.building()) {
            builder_.key(k);
            return true;
        }
        // Records usually list their keys in the same order: try the field that stood at this
        // position in the previous element before looking the key up.
        if (keyPosition_ < keyOrder_.size() && keyOrder_[keyPosition_] < kFieldCount &&
            k == kKeys[keyOrder_[keyPosition_]]) {
            field_ = keyOrder_[keyPosition_];
        } else {
            field_ = fieldIndex(k);
            if (keyPosition_ >= keyOrder_.size()) keyOrder_.resize(keyPosition_ + 1, kFieldCount);
            keyOrder_[keyPosition_] = field_;
        }
        ++keyPosition_;
        return true;
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& ex) override {
        errorPosition = position;
        errorText = ex.what();
        return false;
    }

    // The record that a parse error interrupted: "in record 3 (id "x")", "after record 2", or
    // empty before the first record.
    std::string errorContext() const {
        const auto named = [](std::string s, const std::string& id) {
            return id.empty() ? s : s + " (id \"" + excerpt(id) + "\")";
        };
        if (level_ == Level::element)
            return named("in record " + std::to_string(file_.elementCount), values_.id());
        if (level_ == Level::array && builder_.building())
            return "in record " + std::to_string(file_.elementCount);
        if (level_ == Level::array && file_.elementCount > 0)
            return named("after record " + std::to_string(file_.elementCount - 1), lastId_);
        return {};
    }

    // An element read by PlainRecordReader, between elements of the array.
    void addRecord(std::shared_ptr<QuorelProperty> record) {
        lastId_ = record->id;
        ++file_.elementCount;
        file_.records.push_back(std::move(record));
    }

    // What the top level turned out to be when it is not an array.
    const char* topLevelKind = nullptr;
    std::size_t errorPosition = 0;  // characters read when the error was found
    std::string errorText;

  private:
    enum class Level { top, array, element, done };

    // A number value; false when it stands for a number beyond the range of a double.
    template <typename Number>
    bool number(Number v) {
        const std::size_t ordinal = numbers_++;
        if (nextOutOfRange_ < outOfRange_.size() &&
            outOfRange_[nextOutOfRange_].ordinal == ordinal) {
            outOfRangeNumber(outOfRange_[nextOutOfRange_++]);
            return false;
        }
        scalar(v);
        return true;
    }

    // The number counts as missing where it is a field's value; inside a container it is kept
    // as null. Either way the field gets a problem.
    void outOfRangeNumber(const OutOfRangeNumber& n) {
        if (builder_.building()) {
            builder_.add(nullptr);
            if (level_ == Level::element && field_ < kFieldCount &&
                values_.numberProblem[field_].empty())
                values_.numberProblem[field_] = outOfRangeMessage(n) + " (read as null)";
            return;
        }
        switch (level_) {
            case Level::top:
                topLevelKind = "number";
                level_ = Level::done;
                break;
            case Level::array:
                RecordReader(file_, file_.elementCount++).notAnObject("number " + excerpt(n.text));
                lastId_.clear();
                break;
            case Level::element:
                if (field_ < kFieldCount) {
                    values_.value[field_] = nullptr;
                    values_.present[field_] = false;
                    values_.wideInteger[field_].clear();
                    values_.numberProblem[field_] = outOfRangeMessage(n);
                }
                break;
            case Level::done:
                break;
        }
    }

    bool scalar(json&& v) {
        if (builder_.building())
            builder_.add(std::move(v));
        else
            deliver(std::move(v));
        return true;
    }
    bool startContainer(json&& container) {
        if (!builder_.building()) {
            if (level_ == Level::top && container.is_array()) {
                level_ = Level::array;
                return true;
            }
            if (level_ == Level::array && container.is_object()) {
                level_ = Level::element;
                values_.clear();
                field_ = kFieldCount;
                keyPosition_ = 0;
                return true;
            }
            builder_.start(captured_);
        }
        builder_.open(std::move(container));
        return true;
    }
    bool endContainer() {
        if (builder_.building()) {
            builder_.close();
            if (!builder_.building()) deliver(std::move(captured_));
        } else if (level_ == Level::element) {
            lastId_ = values_.id();
            RecordReader(file_, file_.elementCount++).read(values_);
            level_ = Level::array;
        } else {
            level_ = Level::done;
        }
        return true;
    }
    // A whole value at the current level.
    void deliver(json&& v) {
        switch (level_) {
            case Level::top:
                topLevelKind = v.type_name();
                level_ = Level::done;
                break;
            case Level::array:
                RecordReader(file_, file_.elementCount++).notAnObject(shown(v));
                lastId_.clear();
                break;
            case Level::element:
                if (field_ < kFieldCount) {
                    values_.value[field_] = std::move(v);
                    values_.present[field_] = true;
                    values_.wideInteger[field_].clear();
                }
                break;
            case Level::done:
                break;
        }
    }

    PlacesFile& file_;
    const std::vector<OutOfRangeNumber>& outOfRange_;
    std::size_t nextOutOfRange_ = 0;
    std::size_t numbers_ = 0;  // number values read so far
    std::string lastId_;       // the "id" of the last element read
    Level level_ = Level::top;
    FieldValues values_;
    std::size_t field_ = kFieldCount;
    std::vector<std::size_t> keyOrder_;  // field index of each key position, last element
    std::size_t keyPosition_ = 0;
    ValueBuilder builder_;
    json captured_;
    std::size_t depth_ = 0;  // open containers; the parse stops past kMaxJsonNesting
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Calls a source and keeps what went wrong instead of letting it escape: a failure ends the
// text, and the caller reports it.
class SourceReader {
  public:
    explicit SourceReader(PlacesSource& read) : read_(read) {}

    // Fills `into` with up to `size` bytes from `offset`; fewer only at the end or on failure.
    std::size_t fill(std::uint64_t offset, char* into, std::size_t size) {
        std::size_t got = 0;
        while (got < size && !failure) {
            std::size_t n = 0;
            try {
                n = read_(offset + got, into + got, size - got);
            } catch (const std::exception& e) {
                failure = e.what();
            } catch (...) {
                failure = "read failed";
            }
            if (n > size - got) failure = "the source returned more bytes than asked for";
            if (failure || n == 0) break;
            got += n;
        }
        return got;
    }

    std::optional<std::string> failure;

  private:
    PlacesSource& read_;
};

// Cuts the top-level array of a places file into the texts of its elements while the file is
// read in blocks, so that a whole region's places never sit in memory as one text. It only
// finds where elements end (strings and brackets); the parser checks each element. Anything
// it does not expect (no array, a NUL byte, bytes after the array) makes the text irregular.
class ElementSplitter {
  public:
    explicit ElementSplitter(SourceReader& source) : source_(source) {}

    // Reads up to the array's opening bracket; false when the text does not start with one.
    bool open() {
        if (at(0) == '\xEF' && at(1) == '\xBB' && at(2) == '\xBF') pos_ = 3;
        skipSpace();
        if (at(pos_) != '[') return false;
        ++pos_;
        skipSpace();
        first_ = true;
        return true;
    }

    // The next element's text; none at the end of the array or when the text is irregular.
    // An object that `plain` reads from the text at hand comes as `record` with an empty text.
    std::optional<std::string_view> next(PlainRecordReader& plain,
                                         std::shared_ptr<QuorelProperty>& record) {
        compact();
        if (!first_) {
            if (at(pos_) != ',') {
                closed_ = at(pos_) == ']';
                if (closed_) ++pos_;
                return std::nullopt;
            }
            ++pos_;
            skipSpace();
        } else if (at(pos_) == ']') {
            ++pos_;
            closed_ = true;
            return std::nullopt;
        }
        first_ = false;
        const std::size_t start = pos_;
        std::size_t i = start;
        const int c = at(i);
        // Only what can begin a JSON value: the parser would skip a byte order mark here.
        if (c != '{' && c != '[' && c != '"' && c != '-' && (c < '0' || c > '9') && c != 't' &&
            c != 'f' && c != 'n')
            return irregular();
        if (c == '{') {
            // Most elements are plain records: read in one pass over the text where they
            // are whole in the buffer, rather than delimited first and read after.
            std::size_t length = 0;
            if ((record = plain.readFront(std::string_view(buffer_).substr(start), length))) {
                pos_ = start + length;
                skipSpace();
                return std::string_view();
            }
        }
        if (c == '{' || c == '[') {
            int depth = 0;
            bool inString = false;
            for (;; ++i) {
                const int d = at(i);
                if (d < 0 || d == 0) return irregular();
                if (inString) {
                    if (d == '\\')
                        ++i;
                    else if (d == '"')
                        inString = false;
                } else if (d == '"') {
                    inString = true;
                } else if (d == '{' || d == '[') {
                    ++depth;
                } else if ((d == '}' || d == ']') && --depth == 0) {
                    ++i;
                    break;
                }
            }
        } else if (c == '"') {
            for (++i;; ++i) {
                const int d = at(i);
                if (d < 0 || d == 0) return irregular();
                if (d == '\\') {
                    ++i;
                } else if (d == '"') {
                    ++i;
                    break;
                }
            }
        } else {
            for (;; ++i) {
                const int d = at(i);
                if (d < 0 || d == 0) return irregular();
                if (d == ',' || d == ']' || isSpace(d)) break;
            }
        }
        pos_ = i;
        skipSpace();
        return std::string_view(buffer_).substr(start, i - start);
    }

    // After the array: whether it was closed and nothing but white space follows.
    bool closedCleanly() {
        if (!closed_ || irregular_) return false;
        skipSpace();
        return at(pos_) < 0;
    }

  private:
    static bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    std::nullopt_t irregular() {
        irregular_ = true;
        return std::nullopt;
    }
    void skipSpace() {
        while (isSpace(at(pos_))) ++pos_;
    }
    // Drops the bytes before the current element.
    void compact() {
        if (pos_ < kBlock) return;
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
    // The byte at `i`, reading more of the text as needed; -1 past the end.
    int at(std::size_t i) {
        if (i < buffer_.size()) return static_cast<unsigned char>(buffer_[i]);
        return readTo(i);
    }
    int readTo(std::size_t i) {
        while (i >= buffer_.size()) {
            if (eof_) return -1;
            const std::size_t had = buffer_.size();
            buffer_.resize(had + kBlock);
            const std::size_t n = source_.fill(read_, buffer_.data() + had, kBlock);
            buffer_.resize(had + n);
            read_ += n;
            eof_ = n < kBlock;
        }
        return static_cast<unsigned char>(buffer_[i]);
    }

    static constexpr std::size_t kBlock = 1 << 20;
    SourceReader& source_;
    std::uint64_t read_ = 0;  // bytes of the text read so far
    std::string buffer_;
    std::size_t pos_ = 0;
    bool eof_ = false;
    bool first_ = true;
    bool closed_ = false;
    bool irregular_ = false;
};

PlacesFile withError(PlacesFileError error) {
    PlacesFile file;
    file.error = std::move(error);
    return file;
}

}  // namespace

std::string PlacesProblem::text() const {
    std::string s = "record " + std::to_string(index);
    if (!id.empty()) s += " (id \"" + id + "\")";
    s += ": ";
    if (!field.empty()) s += field + ": ";
    s += message;
    if (leftOut) s += " (record left out)";
    return s;
}

PreparedJsonText::PreparedJsonText(std::string_view text) : original_(text) {
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        issue_ = JsonTextIssue{nul, "NUL byte"};
    JsonTokenizer tokens(text);
    std::size_t depth = 0, numbers = 0;
    while (const auto t = tokens.next()) {
        if (issue_ && t->start >= issue_->offset) break;
        const char c = text[t->start];
        if (t->kind == JsonTokenizer::Kind::structural && (c == '[' || c == '{')) {
            if (++depth > kMaxJsonNesting) {
                issue_ = JsonTextIssue{
                    t->start, "nested deeper than " + std::to_string(kMaxJsonNesting) + " levels"};
                break;
            }
        } else if (t->kind == JsonTokenizer::Kind::structural && (c == ']' || c == '}')) {
            if (depth > 0) --depth;
        } else if (t->kind == JsonTokenizer::Kind::number && t->complete) {
            const std::string_view number = text.substr(t->start, t->end - t->start);
            if (beyondDouble(number)) {
                if (replaced_.empty()) replaced_ = text;
                replaced_.replace(t->start, number.size(), number.size(), ' ');
                replaced_[t->start] = '0';
                outOfRange_.push_back({numbers, t->start, std::string(number)});
            }
            ++numbers;
        }
    }
}

std::size_t jsonTokenStart(std::string_view text, std::size_t offset) {
    JsonTokenizer tokens(text);
    while (const auto t = tokens.next()) {
        if (t->start > offset) break;
        if (offset < t->end) return t->start;
    }
    return std::min(offset, text.size());
}

PlacesFile PlacesFile::fromText(std::string_view text) {
    try {
        const PreparedJsonText prepared(text);
        if (const auto& issue = prepared.issue())
            return withError(positionedError(PlacesFileError::Kind::notJson, text, issue->offset,
                                             "not JSON: " + issue->message));
        PlacesFile file;
        PlacesLoader loader(file, prepared.outOfRange());
        if (!json::sax_parse(prepared.text(), &loader)) {
            // The position counts characters read, the offending one included; the error
            // points at the start of the token that character belongs to.
            const std::size_t read = loader.errorPosition;
            const std::size_t offset = jsonTokenStart(text, read > 0 ? read - 1 : 0);
            std::string what = "not JSON: " + parserMessage(loader.errorText);
            if (const auto context = loader.errorContext(); !context.empty())
                what += "; " + context;
            return withError(positionedError(PlacesFileError::Kind::notJson, text, offset, what));
        }
        if (loader.topLevelKind) {
            std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
            start = std::min(text.find_first_not_of(" \t\r\n", start), text.size());
            return withError(positionedError(
                PlacesFileError::Kind::notArray, text, start,
                std::string("not a JSON array: the top level is ") + loader.topLevelKind));
        }
        return file;
    } catch (const std::exception& e) {
        return withError({PlacesFileError::Kind::unreadable,
                          std::string("cannot read places: ") + e.what(), 0, 0});
    }
}

PlacesFile PlacesFile::fromSource(std::string name, PlacesSource read) {
    const auto named = [&name](std::string message) {
        return name.empty() ? message : name + ": " + message;
    };
    try {
        SourceReader source(read);
        const auto readFailed = [&] {
            return withError(
                {PlacesFileError::Kind::unreadable,
                 (name.empty() ? "cannot read places: " : "cannot read " + name + ": ") +
                     *source.failure,
                 0, 0});
        };
        // A text that parses cleanly is read in one streaming pass. Anything else (a parse
        // error, a number beyond a double, over-deep nesting, a NUL byte) stops that pass, and
        // the whole text is read again and loaded by fromText, which reports it exactly.
        {
            PlacesFile file;
            const std::vector<OutOfRangeNumber> none;
            PlacesLoader loader(file, none);
            ElementSplitter elements(source);
            PlainRecordReader plain;
            bool regular = elements.open() && loader.start_array(0);
            std::shared_ptr<QuorelProperty> record;
            while (regular) {
                const auto element = elements.next(plain, record);
                if (!element) break;
                if (record || (record = plain.read(*element)))
                    loader.addRecord(std::move(record));
                else
                    regular = json::sax_parse(*element, &loader);
            }
            if (source.failure) return readFailed();
            if (regular && elements.closedCleanly() && loader.end_array()) return file;
        }
        std::string text;
        constexpr std::size_t kBlock = 1 << 16;
        for (;;) {
            const std::size_t had = text.size();
            text.resize(had + kBlock);
            const std::size_t n = source.fill(had, text.data() + had, kBlock);
            text.resize(had + n);
            if (source.failure) return readFailed();
            if (n < kBlock) break;
        }
        PlacesFile file = fromText(text);
        if (file.error) file.error->message = named(std::move(file.error->message));
        return file;
    } catch (const std::exception& e) {
        return withError({PlacesFileError::Kind::unreadable,
                          named(name.empty() ? std::string("cannot read places: ") + e.what()
                                             : std::string(e.what())),
                          0, 0});
    }
}

PlacesFile PlacesFile::fromPath(const std::filesystem::path& path) {
    const std::string name = path.string();
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> f(std::fopen(name.c_str(), "rb"));
    if (!f)
        return withError({PlacesFileError::Kind::unreadable,
                          "cannot open " + name + ": " + std::strerror(errno), 0, 0});
    std::uint64_t at = 0;  // the stream's position
    return fromSource(name, [&](std::uint64_t offset, char* into, std::size_t size) {
        if (offset != at) {
            if (offset > std::uint64_t(std::numeric_limits<long>::max()))
                throw std::runtime_error(std::strerror(EOVERFLOW));
            if (std::fseek(f.get(), long(offset), SEEK_SET) != 0)
                throw std::runtime_error(std::strerror(errno));
            at = offset;
        }
        errno = 0;
        const std::size_t n = std::fread(into, 1, size, f.get());
        if (n < size && std::ferror(f.get()))
            throw std::runtime_error(std::strerror(errno != 0 ? errno : EIO));
        at += n;
        return n;
    });
}

}  // namespace arquorel
