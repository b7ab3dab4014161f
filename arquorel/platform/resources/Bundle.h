#pragma once
// The framework's resources, looked up by name: string tables (one JSON object per language
// under strings/<language>.json) and images (SVG files under images/<name>.svg).
//
// A missing text shows its key; a missing image gives none. A string table that is missing or
// not a JSON object of texts gives one console line when it is first needed, and its keys; a
// missing resources folder gives one console line naming where it was looked for instead.

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
    // The folders that may hold the framework's resources, in the order they are tried:
    // only $ARQUOREL_RESOURCES_DIR when it is set; else share/arquorel/resources under the
    // running program's prefix (a program installed beside the framework), then the folder the
    // program was linked with: the build tree's resources, or those of the installed package,
    // wherever its prefix was when the host was configured (arquorelResourcesFolder()).
    static std::vector<std::filesystem::path> resourceFolders();
    // The first of resourceFolders() that is a folder; empty when none is.
    static std::filesystem::path locateResources();

    // `searched` names the folders tried for `root`, for the console line that a missing root
    // gives (once, at the first lookup); by default `root` itself.
    explicit Bundle(std::filesystem::path root, std::vector<std::filesystem::path> searched = {});
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
    // False, after one console line naming the folders searched, when the root is no folder.
    bool rootExists() const;

    std::filesystem::path root_;
    std::vector<std::filesystem::path> searched_;
    mutable std::optional<bool> rootExists_;
    std::string language_;
    mutable std::map<std::string, Table> tables_;
    mutable std::map<std::string, std::shared_ptr<const Image>> images_;
    mutable std::optional<std::map<std::string, std::string>> aliases_;
    mutable std::optional<std::vector<std::string>> languages_;
};

// Shorthand for Bundle::framework().localizedString(key).
std::string localized(const std::string& key);

}  // namespace arquorel

// The resources folder a program was linked with. CMake compiles a definition into every
// executable and shared library that links arquorel::platform: from the build tree, the source
// tree's resources; from the installed package, its share/arquorel/resources. Programs linked
// without it (no CMake) find the resources through the other folders of resourceFolders().
extern "C" __attribute__((weak)) const char* arquorelResourcesFolder();
