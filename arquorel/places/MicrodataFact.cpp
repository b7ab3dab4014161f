#include "arquorel/places/MicrodataFact.h"

#include <nlohmann/json.hpp>

namespace arquorel {

std::vector<MicrodataFact> microdataFacts(const std::vector<MicroDataValue>& entries) {
    std::vector<MicrodataFact> facts;
    for (const auto& entry : entries) {
        if (entry.kind != MicroDataValue::Kind::object) continue;
        // The entry is the compact text of a value that was parsed once already; a text that
        // does not parse again is left out like any other malformed entry.
        const auto value = nlohmann::json::parse(entry.json, nullptr, false);
        if (!value.is_object()) continue;
        const auto name = value.find("name");
        const auto words = value.find("words");
        if (name == value.end() || !name->is_string() || words == value.end() || !words->is_array())
            continue;
        MicrodataFact fact{name->get<std::string>(), {}};
        for (const auto& word : *words)
            if (word.is_string()) fact.words.push_back(word.get<std::string>());
        facts.push_back(std::move(fact));
    }
    return facts;
}

}  // namespace arquorel
