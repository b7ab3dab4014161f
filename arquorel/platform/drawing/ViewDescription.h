#pragma once
// What a view adds to the view-tree dump besides its frame, alpha and hidden flag: the texts,
// image names and other things a user would read, as ordered key-value pairs.

#include <string>
#include <utility>
#include <vector>

namespace arquorel {

struct ViewDescription {
    std::vector<std::pair<std::string, std::string>> entries;

    // Values are written quoted and escaped in the dump; an empty key is ignored.
    void add(std::string key, std::string value) {
        if (!key.empty()) entries.emplace_back(std::move(key), std::move(value));
    }
};

}  // namespace arquorel
