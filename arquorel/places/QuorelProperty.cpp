#include "arquorel/places/QuorelProperty.h"

#include <nlohmann/json.hpp>

#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {

// Length in characters (UTF-8 code points), not bytes.
std::size_t characterCount(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char ch : s)
        if ((ch & 0xC0) != 0x80) ++n;
    return n;
}

MicroDataValue::Kind kindOf(const nlohmann::json& v) {
    using K = MicroDataValue::Kind;
    if (v.is_object()) return K::object;
    if (v.is_array()) return K::array;
    if (v.is_string()) return K::string;
    if (v.is_boolean()) return K::boolean;
    if (v.is_number()) return K::number;
    return K::null;
}

}  // namespace

std::string QuorelProperty::displayAddress() const {
    if (housenumber.empty() && street.empty() && city.empty() && postcode.empty()) return {};
    std::string first;
    if (!housenumber.empty() || !street.empty()) first = housenumber + " " + street;
    std::string second;
    if (!city.empty() || !postcode.empty()) second = city + " " + postcode;
    const std::size_t f = characterCount(first), s = characterCount(second);
    if (f > 1 && s >= 2) return first + ", " + second;
    if (f >= 2) return first;
    if (s > 1) return second;
    return {};
}

std::map<std::string, std::string> QuorelProperty::addressComponents() const {
    return {
        {"housenumber", housenumber}, {"street", street}, {"city", city}, {"postcode", postcode}};
}

std::optional<std::vector<MicroDataValue>> QuorelProperty::microDataEntries() const {
    if (!micro_data) return std::nullopt;
    // The parser stops at a NUL byte as if the text ended there, and writing out very deeply
    // nested values recurses once per level: both are refused before parsing. Numbers beyond
    // the range of a double would stop the parser too: they are read as null, with a line.
    const PreparedJsonText prepared(
        std::string_view(reinterpret_cast<const char*>(micro_data->data()), micro_data->size()));
    auto& console = platformContext().console();
    if (const auto& issue = prepared.issue()) {
        console.writeLine("micro_data is not JSON: " + issue->message + " at byte " +
                          std::to_string(issue->offset + 1));
        return std::nullopt;
    }
    const auto& outOfRange = prepared.outOfRange();
    std::size_t numbers = 0, next = 0;
    const auto nullOutOfRange = [&](int, nlohmann::json::parse_event_t event,
                                    nlohmann::json& value) {
        if (event != nlohmann::json::parse_event_t::value || !value.is_number()) return true;
        if (next < outOfRange.size() && outOfRange[next].ordinal == numbers) {
            value = nullptr;
            ++next;
        }
        ++numbers;
        return true;
    };
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(prepared.text(), nullOutOfRange);
    } catch (const nlohmann::json::exception& e) {
        console.writeLine(e.what());
        return std::nullopt;
    }
    if (!outOfRange.empty())
        console.writeLine(
            "micro_data: " + std::to_string(outOfRange.size()) +
            " number(s) out of the range of a double read as null, the first at byte " +
            std::to_string(outOfRange.front().offset + 1));
    if (!doc.is_array()) return std::nullopt;
    std::vector<MicroDataValue> out;
    out.reserve(doc.size());
    // Invalid UTF-8 in strings is replaced rather than throwing while serialising.
    for (const auto& v : doc)
        out.push_back(
            {kindOf(v), v.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)});
    return out;
}

}  // namespace arquorel
