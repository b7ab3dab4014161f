#include "arquorel/platform/resources/Bundle.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace fs = std::filesystem;

namespace {

bool isDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

// A name usable as a single file name: no separators, not "." or "..", no NUL.
bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

std::string primarySubtag(const std::string& tag) {
    std::string primary = tag.substr(0, tag.find_first_of("-_"));
    for (char& ch : primary) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return primary;
}

}  // namespace

std::vector<fs::path> Bundle::resourceFolders() {
    if (const char* env = std::getenv("ARQUOREL_RESOURCES_DIR"); env && *env) return {env};
    std::vector<fs::path> folders;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) folders.push_back(exe.parent_path().parent_path() / "share/arquorel/resources");
    if (arquorelResourcesFolder) {
        if (const char* linked = arquorelResourcesFolder(); linked && *linked)
            folders.emplace_back(linked);
    }
    return folders;
}

fs::path Bundle::locateResources() {
    for (const auto& folder : resourceFolders())
        if (isDirectory(folder)) return folder;
    return {};
}

Bundle& Bundle::framework() {
    static Bundle bundle(locateResources(), resourceFolders());
    return bundle;
}

Bundle::Bundle(fs::path root, std::vector<fs::path> searched)
    : root_(std::move(root)), searched_(std::move(searched)) {
    if (searched_.empty() && !root_.empty()) searched_.push_back(root_);
}

bool Bundle::rootExists() const {
    if (rootExists_) return *rootExists_;
    rootExists_ = !root_.empty() && isDirectory(root_);
    if (!*rootExists_) {
        std::string looked;
        for (const auto& folder : searched_)
            looked += (looked.empty() ? "" : ", ") + folder.string();
        if (looked.empty()) looked = "nowhere: no folder is known";
        platformContext().console().writeLine(
            "Bundle: no resources folder; looked in " + looked +
            " (set ARQUOREL_RESOURCES_DIR); texts show their keys and images are missing");
    }
    return *rootExists_;
}

std::vector<std::string> Bundle::languages() const {
    if (languages_) return *languages_;
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_ / "strings", ec)) {
        if (entry.path().extension() == ".json") found.push_back(entry.path().stem().string());
    }
    std::sort(found.begin(), found.end());
    languages_ = found;
    return found;
}

std::string Bundle::language() const {
    if (!language_.empty()) return language_;
    const auto available = languages();
    for (const std::string& tag : platformContext().device().preferredLanguages()) {
        const std::string primary = primarySubtag(tag);
        if (std::find(available.begin(), available.end(), primary) != available.end())
            return primary;
    }
    return "en";
}

const Bundle::Table& Bundle::table(const std::string& language) const {
    if (auto it = tables_.find(language); it != tables_.end()) return it->second;
    Table& table = tables_[language];
    if (!rootExists()) return table;
    auto& console = platformContext().console();
    if (!isPlainName(language)) {
        console.writeLine("Bundle: no string table for language \"" + language + "\"");
        return table;
    }
    const fs::path file = root_ / "strings" / (language + ".json");
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        console.writeLine("Bundle: string table " + file.string() +
                          " is missing; texts show their keys");
        return table;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const auto json = nlohmann::json::parse(bytes.str(), nullptr, /*allow_exceptions=*/false);
    if (!json.is_object()) {
        console.writeLine("Bundle: string table " + file.string() +
                          (json.is_discarded() ? " is not valid JSON" : " is not a JSON object") +
                          "; texts show their keys");
        return table;
    }
    std::vector<std::string> notTexts;
    for (const auto& [key, value] : json.items()) {
        if (value.is_string())
            table.emplace(key, value.get<std::string>());
        else
            notTexts.push_back(key);
    }
    if (!notTexts.empty()) {
        std::string keys;
        for (const auto& key : notTexts) keys += (keys.empty() ? "\"" : ", \"") + key + "\"";
        console.writeLine("Bundle: string table " + file.string() + " has values that are not " +
                          "texts for " + keys + "; those show their keys");
    }
    return table;
}

std::string Bundle::localizedString(const std::string& key) const {
    return localizedString(key, language());
}

std::string Bundle::localizedString(const std::string& key, const std::string& language) const {
    const Table& t = table(language);
    auto it = t.find(key);
    if (it == t.end()) return key;
    return it->second;
}

const std::map<std::string, std::string>& Bundle::imageAliases() const {
    if (aliases_) return *aliases_;
    aliases_.emplace();
    const fs::path file = root_ / "images" / "aliases.json";
    std::ifstream in(file, std::ios::binary);
    if (!in) return *aliases_;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const auto json = nlohmann::json::parse(bytes.str(), nullptr, /*allow_exceptions=*/false);
    if (!json.is_object()) {
        platformContext().console().writeLine("Bundle: image aliases " + file.string() +
                                              " are not a JSON object; aliases are not used");
        return *aliases_;
    }
    for (const auto& [alias, target] : json.items())
        if (target.is_string()) aliases_->emplace(alias, target.get<std::string>());
    return *aliases_;
}

std::shared_ptr<const Image> Bundle::image(const std::string& name) const {
    if (auto it = images_.find(name); it != images_.end()) return it->second;
    std::shared_ptr<const Image> image;
    if (isPlainName(name) && rootExists()) {
        image = Image::fromFile(name, root_ / "images" / (name + ".svg"));
        const auto& aliases = imageAliases();
        if (auto alias = aliases.find(name); !image && alias != aliases.end()) {
            if (isPlainName(alias->second)) {
                auto target = Image::fromFile(name, root_ / "images" / (alias->second + ".svg"));
                if (target) image = target;
            }
        }
    }
    images_.emplace(name, image);
    return image;
}

std::optional<fs::path> Bundle::path(const std::string& name, const std::string& type) const {
    if (!isPlainName(name) || (!type.empty() && !isPlainName(type))) return std::nullopt;
    const fs::path p = root_ / (type.empty() ? name : name + "." + type);
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return std::nullopt;
    return p;
}

std::string localized(const std::string& key) {
    return Bundle::framework().localizedString(key);
}

}  // namespace arquorel
