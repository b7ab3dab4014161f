#pragma once
// Test helpers for the arquorel-sim commands: place records and command lines with a
// command's required flags.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "arquorel/places/QuorelProperty.h"

namespace arquorel::sim {

// A place named `name` (also its id) at `lat`, `lng`.
inline std::shared_ptr<QuorelProperty> placeRecord(const std::string& name, double lat,
                                                   double lng) {
    auto r = std::make_shared<QuorelProperty>();
    r->id = name;
    r->name = name;
    r->lat = lat;
    r->lng = lng;
    return r;
}

// `base` followed by `extra`.
inline std::vector<std::string> withArgs(std::vector<std::string> base,
                                         const std::vector<std::string>& extra) {
    base.insert(base.end(), extra.begin(), extra.end());
    return base;
}

// Each command line, `base` followed by the row's arguments, is refused by `parse` (a function
// of the arguments and an error text, returning an optional request) with an error containing
// the row's message.
template <class Parse>
void expectRefused(Parse parse, const std::vector<std::string>& base,
                   const std::vector<std::pair<std::vector<std::string>, std::string>>& rows) {
    for (const auto& [extra, message] : rows) {
        std::string error;
        EXPECT_FALSE(parse(withArgs(base, extra), error)) << message;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

}  // namespace arquorel::sim
