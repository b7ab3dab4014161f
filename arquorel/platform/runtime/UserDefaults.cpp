#include "arquorel/platform/runtime/UserDefaults.h"

#include <cstdint>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "arquorel/platform/runtime/Console.h"

namespace arquorel {

using nlohmann::json;

UserDefaults::UserDefaults(std::filesystem::path file, Console& console)
    : file_(std::move(file)), console_(console) {
    load();
}

void UserDefaults::load() {
    if (file_.empty()) return;
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) return;  // no file yet: empty settings
    const auto fail = [&](const std::string& why) {
        loadFailed_ = true;
        values_.clear();
        console_.writeLine("Settings file " + file_.string() + " is unreadable (" + why +
                           "); starting with empty settings");
    };
    std::ifstream in(file_, std::ios::binary);
    if (!in) return fail("cannot open it");
    std::stringstream buffer;
    buffer << in.rdbuf();
    const json doc = json::parse(buffer.str(), nullptr, /*allow_exceptions=*/false);
    if (doc.is_discarded()) return fail("not valid JSON");
    if (!doc.is_object()) return fail("not a JSON object");
    for (const auto& [key, v] : doc.items()) {
        // Values of other kinds (arrays, objects, null) are not ours: skip them, keep the rest.
        if (v.is_boolean())
            values_[key] = v.get<bool>();
        else if (v.is_number_unsigned() &&
                 v.get<std::uint64_t>() >
                     static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            values_[key] = v.get<double>();  // too large for an integer: keep its magnitude
        else if (v.is_number_integer())
            values_[key] = v.get<std::int64_t>();
        else if (v.is_number())
            values_[key] = v.get<double>();
        else if (v.is_string())
            values_[key] = v.get<std::string>();
    }
}

void UserDefaults::save() {
    if (file_.empty()) return;
    ++writes_;
    json doc = json::object();
    for (const auto& entry : values_)
        std::visit([&](const auto& x) { doc[entry.first] = x; }, entry.second);
    // Text that is not valid UTF-8 cannot be stored in JSON; its bad bytes are written as
    // U+FFFD rather than failing the whole save.
    const std::string text = doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    std::error_code ec;
    if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ec);
    const std::filesystem::path tmp = file_.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            console_.writeLine("Settings file " + file_.string() + " could not be written");
            std::filesystem::remove(tmp, ec);
            return;
        }
    }
    std::filesystem::rename(tmp, file_, ec);
    if (ec) {
        console_.writeLine("Settings file " + file_.string() + " could not be replaced (" +
                           ec.message() + ")");
        std::filesystem::remove(tmp, ec);
        return;
    }
    loadFailed_ = false;
}

std::optional<UserDefaults::Value> UserDefaults::object(const std::string& key) const {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool UserDefaults::boolForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return false;
    if (auto* b = std::get_if<bool>(&*v)) return *b;
    if (auto* i = std::get_if<std::int64_t>(&*v)) return *i != 0;
    if (auto* d = std::get_if<double>(&*v)) return *d != 0;
    return false;
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return 0;
    if (auto* b = std::get_if<bool>(&*v)) return *b ? 1 : 0;
    if (auto* i = std::get_if<std::int64_t>(&*v)) return *i;
    if (auto* d = std::get_if<double>(&*v)) {
        // Doubles outside [-2^63, 2^63) and NaN read as 0 rather than overflowing.
        constexpr double kTwoTo63 = 9223372036854775808.0;
        if (!(*d >= -kTwoTo63 && *d < kTwoTo63)) return 0;
        return static_cast<std::int64_t>(*d);
    }
    return 0;
}

double UserDefaults::doubleForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return 0;
    if (auto* b = std::get_if<bool>(&*v)) return *b ? 1 : 0;
    if (auto* i = std::get_if<std::int64_t>(&*v)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&*v)) return *d;
    return 0;
}

std::string UserDefaults::stringForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return {};
    if (auto* s = std::get_if<std::string>(&*v)) return *s;
    return {};
}

void UserDefaults::set(const std::string& key, Value value) {
    values_[key] = std::move(value);
    save();
}

void UserDefaults::removeObject(const std::string& key) {
    if (values_.erase(key) == 0) return;
    save();
}

}  // namespace arquorel
