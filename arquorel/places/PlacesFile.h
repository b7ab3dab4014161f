#pragma once
// Place records read from a JSON text: an array of objects whose keys are the record's field
// names as the host delivers them ("category_color", "opening_hours", ...). Bad input never
// throws: whole-file faults come back as an error, faults of single records as problems, and
// every usable record is kept.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/places/QuorelProperty.h"

namespace arquorel {

// Something wrong with one element of the array.
struct PlacesProblem {
    std::size_t index = 0;  // position of the element in the array, from 0
    std::string id;         // the element's "id" text; empty when it has none
    std::string field;      // the key concerned ("names[2]" for an element); empty for the whole
    std::string message;    // what is wrong, with the offending value
    bool leftOut = false;   // the record was dropped because of this problem

    // "record 3 (id "n25191432"): lat: out of range -90..90: 91.5 (record left out)"
    std::string text() const;
};

// A fault that makes the whole text unusable: unreadable file, not JSON, not an array.
struct PlacesFileError {
    enum class Kind { unreadable, notJson, notArray };
    Kind kind = Kind::notJson;
    std::string message;     // complete, human-readable, with line and column where known
    std::size_t line = 0;    // from 1; 0 when the fault has no position
    std::size_t column = 0;  // from 1, counted in characters
};

struct PlacesFile {
    // Reads the records from a JSON text.
    static PlacesFile fromText(std::string_view text);
    // Reads the records from a file; an unreadable file gives an error naming the path.
    static PlacesFile fromPath(const std::filesystem::path& path);

    std::optional<PlacesFileError> error;  // set: no records were read at all
    std::size_t elementCount = 0;          // elements of the top-level array
    std::vector<std::shared_ptr<QuorelProperty>> records;
    std::vector<PlacesProblem> problems;

    std::size_t leftOutCount() const { return elementCount - records.size(); }
};

// JSON texts of place data are parsed strictly. Beyond the grammar, which the parser checks,
// two things are refused here: a NUL byte (the parser takes it for the end of the text and
// would silently ignore whatever follows) and nesting deeper than kMaxJsonNesting (values are
// walked recursively when written back out, which could exhaust the stack).
inline constexpr std::size_t kMaxJsonNesting = 256;

struct JsonTextIssue {
    std::size_t offset = 0;  // byte offset of the offending character
    std::string message;
};

// The first NUL byte or over-deep opening bracket of `text`; none when there is neither.
std::optional<JsonTextIssue> findJsonTextIssue(std::string_view text);

}  // namespace arquorel
