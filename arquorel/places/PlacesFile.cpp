#include "arquorel/places/PlacesFile.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
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

// The parser's description without its "[json.exception...]" tag and its own position.
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
    return validUtf8(s);
}

// "string \"43.7\"", "number 1.5", "object {...}": the kind and a short rendering of a value.
std::string shown(const json& v) {
    constexpr std::size_t kLimit = 40;
    std::string text = v.dump(-1, ' ', false, json::error_handler_t::replace);
    if (text.size() > kLimit) {
        std::size_t cut = kLimit;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
        text += "…";
    }
    return std::string(v.type_name()) + " " + text;
}

enum class Special { latitude, longitude, names, microData };
using StringField = std::string QuorelProperty::*;
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
std::variant<std::int64_t, std::string> wholeNumber(const json& v) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
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
};

// Turns the field values of one element into a record, reporting what is wrong.
class RecordReader {
  public:
    RecordReader(PlacesFile& file, std::size_t index) : file_(file), index_(index) {}

    void notAnObject(const json& element) { report("", "not an object: " + shown(element), true); }

    void read(FieldValues& fields) {
        const std::size_t idIndex = 0;  // kFields starts with "id"
        if (fields.present[idIndex] && fields.value[idIndex].is_string())
            id_ = fields.value[idIndex].get_ref<const std::string&>();
        auto record = std::make_shared<QuorelProperty>();
        const std::size_t firstProblem = file_.problems.size();
        bool coordinateUsable = true;
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            const FieldSpec& field = kFields[f];
            json& v = fields.value[f];
            const bool present = fields.present[f] && !v.is_null();
            if (const auto* special = std::get_if<Special>(&field.target)) {
                if (*special == Special::latitude || *special == Special::longitude) {
                    const bool isLat = *special == Special::latitude;
                    if (!present) {
                        report(field.key, fields.present[f] ? "missing: null" : "missing", false);
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
                        auto n = wholeNumber(v);
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

// Reads the records while the parser runs, without building the whole document: the values
// of one element at a time are collected by field and turned into a record when the element
// ends. Containers below the element's fields are built as JSON values.
class PlacesLoader final : public nlohmann::json_sax<json> {
  public:
    explicit PlacesLoader(PlacesFile& file) : file_(file) {}

    bool null() override { return scalar(nullptr); }
    bool boolean(bool v) override { return scalar(v); }
    bool number_integer(number_integer_t v) override { return scalar(v); }
    bool number_unsigned(number_unsigned_t v) override { return scalar(v); }
    bool number_float(number_float_t v, const string_t&) override { return scalar(v); }
    bool string(string_t& v) override { return scalar(std::move(v)); }
    bool binary(binary_t& v) override { return scalar(json::binary(v)); }
    bool start_object(std::size_t) override { return startContainer(json::object()); }
    bool start_array(std::size_t) override { return startContainer(json::array()); }
    bool end_object() override { return endContainer(); }
    bool end_array() override { return endContainer(); }
    bool key(string_t& k) override {
        if (builder_.building()) {
            builder_.key(k);
            return true;
        }
        // Records usually list their keys in the same order: try the field that stood at this
        // position in the previous element before looking the key up.
        if (keyPosition_ < keyOrder_.size() && keyOrder_[keyPosition_] < kFieldCount &&
            k == kFields[keyOrder_[keyPosition_]].key) {
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

    // What the top level turned out to be when it is not an array.
    const char* topLevelKind = nullptr;
    std::size_t errorPosition = 0;  // characters read when the error was found
    std::string errorText;

  private:
    enum class Level { top, array, element, done };

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
                values_.present.fill(false);
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
                RecordReader(file_, file_.elementCount++).notAnObject(v);
                break;
            case Level::element:
                if (field_ < kFieldCount) {
                    values_.value[field_] = std::move(v);
                    values_.present[field_] = true;
                }
                break;
            case Level::done:
                break;
        }
    }

    PlacesFile& file_;
    Level level_ = Level::top;
    FieldValues values_;
    std::size_t field_ = kFieldCount;
    std::vector<std::size_t> keyOrder_;  // field index of each key position, last element
    std::size_t keyPosition_ = 0;
    ValueBuilder builder_;
    json captured_;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
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

std::optional<JsonTextIssue> findJsonTextIssue(std::string_view text) {
    std::size_t depth = 0;
    bool inString = false, escaped = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0') return JsonTextIssue{i, "NUL byte"};
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonNesting)
                return JsonTextIssue{
                    i, "nested deeper than " + std::to_string(kMaxJsonNesting) + " levels"};
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

PlacesFile PlacesFile::fromText(std::string_view text) {
    try {
        if (const auto issue = findJsonTextIssue(text))
            return withError(positionedError(PlacesFileError::Kind::notJson, text, issue->offset,
                                             "not JSON: " + issue->message));
        PlacesFile file;
        PlacesLoader loader(file);
        if (!json::sax_parse(text, &loader)) {
            // The position counts characters read, the offending one included.
            const std::size_t offset = loader.errorPosition > 0 ? loader.errorPosition - 1 : 0;
            return withError(positionedError(PlacesFileError::Kind::notJson, text, offset,
                                             "not JSON: " + parserMessage(loader.errorText)));
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

PlacesFile PlacesFile::fromPath(const std::filesystem::path& path) {
    try {
        const std::string name = path.string();
        std::string text;
        errno = 0;
        const std::unique_ptr<std::FILE, FileCloser> f(std::fopen(name.c_str(), "rb"));
        if (!f)
            return withError({PlacesFileError::Kind::unreadable,
                              "cannot open " + name + ": " + std::strerror(errno), 0, 0});
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) text.append(buffer, n);
        const bool failed = std::ferror(f.get()) != 0;
        const int readErrno = errno;
        if (failed)
            return withError({PlacesFileError::Kind::unreadable,
                              "cannot read " + name + ": " + std::strerror(readErrno), 0, 0});
        PlacesFile file = fromText(text);
        if (file.error) file.error->message = name + ": " + file.error->message;
        return file;
    } catch (const std::exception& e) {
        return withError(
            {PlacesFileError::Kind::unreadable, path.string() + ": " + e.what(), 0, 0});
    }
}

}  // namespace arquorel
