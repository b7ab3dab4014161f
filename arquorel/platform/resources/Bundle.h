#pragma once
// The framework's resources, looked up by name: string tables (one JSON object per language
// under strings/<language>.json) and images (SVG files under images/<name>.svg).
//
// A missing text shows its key; a missing image gives none. A string table that is missing or
// not a JSON object of texts gives one console line when it is first needed, and its keys.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/resources/Image.h"

namespace arquorel {

class Bundle {
  public:
    // The framework's own bundle, rooted at locateResources().
    static Bundle& framework();
    // Where the resources are: $ARQUOREL_RESOURCES_DIR when set; else share/arquorel/resources
    // under the running program's install prefix; else the source tree's arquorel/resources
    // (build tree); else the data folder of the configured install prefix.
    static std::filesystem::path locateResources();

    explicit Bundle(std::filesystem::path root);
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    const std::filesystem::path& root() const { return root_; }

    // The languages that have a string table, sorted (looked up once).
    std::vector<std::string> languages() const;
    // The language texts come in: the one set with setLanguage(), else the first of the
    // device's preferred languages that has a table (by primary subtag, "fr-MC" -> "fr"),
    // else "en".
    std::string language() const;
    // An empty language follows the device's preferences again.
    void setLanguage(std::string language) { language_ = std::move(language); }

    // The text for `key` in language(); the key itself when there is none.
    std::string localizedString(const std::string& key) const;
    std::string localizedString(const std::string& key, const std::string& language) const;

    // images/<name>.svg, else the image that images/aliases.json names for it (a JSON object
    // of name -> image name, e.g. "cat_7": "category_culture"); none when missing or not SVG.
    // Looked up once, then remembered. The image keeps the name it was asked for.
    std::shared_ptr<const Image> image(const std::string& name) const;
    // <root>/<name>.<type> when that file exists.
    std::optional<std::filesystem::path> path(const std::string& name,
                                              const std::string& type) const;

  private:
    using Table = std::map<std::string, std::string, std::less<>>;
    const Table& table(const std::string& language) const;
    const std::map<std::string, std::string>& imageAliases() const;

    std::filesystem::path root_;
    std::string language_;
    mutable std::map<std::string, Table> tables_;
    mutable std::map<std::string, std::shared_ptr<const Image>> images_;
    mutable std::optional<std::map<std::string, std::string>> aliases_;
    mutable std::optional<std::vector<std::string>> languages_;
};

// Shorthand for Bundle::framework().localizedString(key).
std::string localized(const std::string& key);

}  // namespace arquorel
