#include "sim/host/RegionPlaces.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <numbers>
#include <vector>

#include "sim/host/CliArgs.h"

#ifndef ARQUOREL_DATA_DIR
#define ARQUOREL_DATA_DIR ""
#endif

namespace arquorel::sim {

namespace {

// splitmix64: a small generator whose sequence is the same on every platform (the standard
// library's distributions are not).
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Evenly in [-1, 1).
    double symmetric() { return static_cast<double>(next() >> 11) * 0x1.0p-52 - 1; }

  private:
    std::uint64_t state_;
};

struct Template {
    std::string id;
    std::string rest;  // the other members as compact JSON, each preceded by a comma
};

std::vector<Template> readTemplates(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    const auto all = nlohmann::json::parse(text, nullptr, false);
    std::vector<Template> out;
    if (!all.is_array()) return out;
    for (auto record : all) {
        if (!record.is_object()) continue;
        Template t;
        if (const auto id = record.find("id"); id != record.end() && id->is_string())
            t.id = id->get<std::string>();
        for (const char* key : {"id", "lat", "lng"}) record.erase(key);
        for (const auto& [key, value] : record.items()) {
            t.rest += ',';
            t.rest += nlohmann::json(key).dump();
            t.rest += ':';
            t.rest += value.dump();
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::string fixed7(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", v);
    return text;
}

}  // namespace

std::filesystem::path bundledPlacesPath() {
    return std::filesystem::path(ARQUOREL_DATA_DIR) / "monaco" / "places.json";
}

std::size_t regionInvalidCount(const RegionRecipe& recipe) {
    return recipe.invalidEvery == 0 ? 0 : recipe.count / recipe.invalidEvery;
}

std::string regionPlacesText(const RegionRecipe& recipe, const std::filesystem::path& templates) {
    const auto records = readTemplates(templates);
    if (records.empty()) return {};
    constexpr double kMetresPerDegree = 111320;
    const double dLat = recipe.halfSide / kMetresPerDegree;
    const double dLng = dLat / std::cos(recipe.centre.latitude * std::numbers::pi / 180);
    Random random(recipe.seed);
    std::string out;
    out.reserve(recipe.count * 800);
    out += "[\n";
    for (std::size_t i = 0; i < recipe.count; ++i) {
        const Template& t = records[i % records.size()];
        const double lat = recipe.centre.latitude + dLat * random.symmetric();
        const double lng = recipe.centre.longitude + dLng * random.symmetric();
        const bool invalid = recipe.invalidEvery != 0 && (i + 1) % recipe.invalidEvery == 0;
        const int kind = invalid ? static_cast<int>((i + 1) / recipe.invalidEvery % 4) : 4;
        if (kind == 3) {
            out += fixed7(lat);  // not an object
        } else {
            // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict) about chains of
            // std::string temporaries.
            out += "{\"id\":";
            std::string id = "r";
            id += std::to_string(i);
            id += '-';
            id += t.id;
            out += nlohmann::json(id).dump();
            out += ",\"lat\":";
            if (kind == 0) {
                out += "91.5";  // out of range
            } else if (kind == 1) {
                out += '"';  // text
                out += fixed7(lat);
                out += '"';
            } else {
                out += fixed7(lat);
            }
            if (kind != 2) {  // 2: no longitude
                out += ",\"lng\":";
                out += fixed7(lng);
            }
            out += t.rest;
            out += '}';
        }
        out += i + 1 < recipe.count ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}

int runRegionCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("region", kRegionSynopsis, err);
    if (command.helpAsked(
            args,
            "Writes a places file of N elements (default 100000): the bundled Monaco\n"
            "places scattered over a 10 km square around the Casino, every 1000th\n"
            "element invalid. The same N and seed always give the same file.\n",
            out))
        return kExitOk;
    std::string error;
    const auto flags = Flags::parse(args, {{"count"}, {"seed"}, {"out"}}, error);
    if (!flags) return command.fail(error);
    const auto path = CommandUsage::required(*flags, "out", "FILE", error);
    if (!path) return command.fail(error);
    RegionRecipe recipe;
    if (const auto text = flags->value("count")) {
        const auto n = parseNumber(*text);
        if (!n || *n < 1 || *n > 10000000 || std::floor(*n) != *n)
            return command.fail("--count: expected a whole number from 1 to 10000000, got \"" +
                                printable(*text) + "\"");
        recipe.count = static_cast<std::size_t>(*n);
    }
    if (const auto text = flags->value("seed")) {
        const auto n = parseNumber(*text);
        if (!n || *n < 0 || *n > 9007199254740992.0 || std::floor(*n) != *n)
            return command.fail("--seed: expected a whole number, got \"" + printable(*text) +
                                "\"");
        recipe.seed = static_cast<std::uint64_t>(*n);
    }
    const std::string text = regionPlacesText(recipe);
    if (text.empty()) {
        err << "error: cannot read the template places " << bundledPlacesPath().string() << "\n";
        return kExitUsage;
    }
    std::ofstream file(*path, std::ios::binary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        err << "error: cannot write " << printable(*path) << "\n";
        return kExitUsage;
    }
    out << recipe.count << " records (" << regionInvalidCount(recipe) << " invalid), "
        << text.size() << " bytes: " << printable(*path) << "\n";
    return kExitOk;
}

}  // namespace arquorel::sim
