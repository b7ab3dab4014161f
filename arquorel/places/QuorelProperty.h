#pragma once
// The host's description of one place. Plain shared data: the host creates it empty and fills
// the fields; the main screen, the list and the details screen share the same object. Its
// texts are PlaceTexts, so that a whole region's records stay small.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/places/PlaceText.h"

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
    PlaceText id;
    PlaceText category_color;
    PlaceText parent_category_title;
    PlaceText category;
    PlaceText brand_category_color;
    std::int64_t category_id = 0;
    PlaceText name;
    PlaceText searchNames;
    double lat = 0;
    double lng = 0;
    PlaceText img;
    PlaceText logo;
    PlaceText elevation;
    PlaceText elevation_height;
    PlaceText housenumber;
    PlaceText street;
    PlaceText city;
    PlaceText postcode;
    std::vector<std::string> names;
    PlaceText opening_hours;
    PlaceText phone;
    PlaceText link;
    PlaceText email;
    PlaceText facebook;
    PlaceText wikipedia;
    std::optional<std::vector<std::uint8_t>> micro_data;
    std::int64_t rand_position = 0;
    std::int64_t package = 0;
    PlaceText shareText;
    PlaceText shareurl;
    PlaceText price;
    PlaceText squareMeters;
    PlaceText pieces;
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
