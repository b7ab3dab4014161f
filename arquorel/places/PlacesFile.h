#pragma once
// Place records read from a JSON text: an array of objects whose keys are the record's field
// names as the host delivers them ("category_color", "opening_hours", ...). Bad input never
// throws: whole-file faults come back as an error, faults of single records as problems, and
// every usable record is kept.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
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

// Reads up to `size` bytes of a text, starting at byte `offset`, into `into` and returns how
// many it read: fewer than asked is fine, 0 means the end of the text. The reader asks for the
// text in order from offset 0, and only asks again from 0 for a text it cannot read in one
// pass (a bad one). A read failure is reported by throwing; its what() ends up in the error.
using PlacesSource = std::function<std::size_t(std::uint64_t offset, char* into, std::size_t size)>;

struct PlacesFile {
    // Reads the records from a JSON text.
    static PlacesFile fromText(std::string_view text);
    // Reads the records from a file; an unreadable file gives an error naming the path.
    static PlacesFile fromPath(const std::filesystem::path& path);
    // Reads the records from a text read block by block, without holding the whole text unless
    // it is bad. Errors begin with `name` ("name: line 3, column 5: ...") when it is not empty.
    static PlacesFile fromSource(std::string name, PlacesSource read);

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

// A number the parser would refuse because it lies beyond the range of a double ("1e400").
struct OutOfRangeNumber {
    std::size_t ordinal = 0;  // which number of the text it is, from 0, in text order
    std::size_t offset = 0;   // byte offset of its first character
    std::string text;         // as written
};

// A JSON text made ready for the parser. The parser stops at the first number beyond the range
// of a double, which would lose every value after it; such numbers are replaced here by a 0
// padded with spaces to the same length, so that positions do not change, and listed so that
// the reader can tell them from a written 0 by their ordinal.
class PreparedJsonText {
  public:
    explicit PreparedJsonText(std::string_view text);

    // The first NUL byte or over-deep opening bracket; the text must not be parsed when set.
    const std::optional<JsonTextIssue>& issue() const { return issue_; }
    const std::vector<OutOfRangeNumber>& outOfRange() const { return outOfRange_; }
    // The text to parse.
    std::string_view text() const { return outOfRange_.empty() ? original_ : replaced_; }

  private:
    std::string_view original_;
    std::string replaced_;
    std::optional<JsonTextIssue> issue_;
    std::vector<OutOfRangeNumber> outOfRange_;
};

// The byte offset of the JSON token that holds the byte at `offset` (the parser's lexer splits
// tokens the same way): where an error found while reading that token points. An offset in
// white space or past the end is returned unchanged, limited to the text's size.
std::size_t jsonTokenStart(std::string_view text, std::size_t offset);

}  // namespace arquorel
