#pragma once
// One fact of a place's micro-data, as its row shows it: a caption key and the words.

#include <string>
#include <vector>

#include "arquorel/places/QuorelProperty.h"

namespace arquorel {

struct MicrodataFact {
    std::string name;                // localisation key of the caption
    std::vector<std::string> words;  // one tag each, in order
    friend bool operator==(const MicrodataFact&, const MicrodataFact&) = default;
};

// The facts of the micro-data entries, in order. An entry that is not an object, whose "name"
// is not a string or whose "words" is not an array is left out; so are words that are not
// strings. Nothing that is left out shifts or breaks the others.
std::vector<MicrodataFact> microdataFacts(const std::vector<MicroDataValue>& entries);

}  // namespace arquorel
