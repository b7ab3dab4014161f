#pragma once
// The host's description of one place. Plain shared data: the host creates it empty and fills
// the fields; the main screen, the list and the details screen share the same object.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace arquorel {

// A JSON value of a micro-data block, kept as its compact JSON text so that this header does
// not expose a JSON library; `isObject()` and friends describe its kind.
struct MicroDataValue {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    std::string json;  // compact serialisation
    friend bool operator==(const MicroDataValue&, const MicroDataValue&) = default;
};

class QuorelProperty {
  public:
    std::string id;
    std::string category_color;
    std::string parent_category_title;
    std::string category;
    std::string brand_category_color;
    std::int64_t category_id = 0;
    std::string name;
    std::string searchNames;
    double lat = 0;
    double lng = 0;
    std::string img;
    std::string logo;
    std::string elevation;
    std::string elevation_height;
    std::string housenumber;
    std::string street;
    std::string city;
    std::string postcode;
    std::vector<std::string> names;
    std::string opening_hours;
    std::string phone;
    std::string link;
    std::string email;
    std::string facebook;
    std::string wikipedia;
    std::optional<std::vector<std::uint8_t>> micro_data;
    std::int64_t rand_position = 0;
    std::int64_t package = 0;
    std::string shareText;
    std::string shareurl;
    std::string price;
    std::string squareMeters;
    std::string pieces;
    double distance = 0;
    double rand_main_poosition = 0;

    std::string displayTitle() const { return name; }
    // One line of address: "12 Main St, Paris 75001" and its shorter forms.
    std::string displayAddress() const;
    // "housenumber", "street", "city" and "postcode", empty ones included.
    std::map<std::string, std::string> addressComponents() const;
    // The elements of the micro-data's top-level JSON array; none when there is no block, it
    // is not JSON (one console line says why) or its top level is not an array.
    std::optional<std::vector<MicroDataValue>> microDataEntries() const;
};

}  // namespace arquorel
