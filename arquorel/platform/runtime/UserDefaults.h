#pragma once
// Persisted key-value settings. Every change is written to the settings file at once and
// atomically (temporary file, then rename). An unreadable or corrupt file is reported on the
// console, treated as empty and left untouched until a value is set.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace arquorel {

class Console;

class UserDefaults {
  public:
    using Value = std::variant<bool, std::int64_t, double, std::string>;

    // An empty path keeps the values in memory only.
    UserDefaults(std::filesystem::path file, Console& console);

    std::optional<Value> object(const std::string& key) const;
    bool contains(const std::string& key) const { return values_.count(key) != 0; }
    // Typed reads give false, 0, 0.0 or "" when the key is missing or holds another type
    // (numbers convert between integer and double; a bool reads as 0 or 1).
    bool boolForKey(const std::string& key) const;
    std::int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    std::string stringForKey(const std::string& key) const;

    void set(const std::string& key, Value value);
    void removeObject(const std::string& key);

    const std::filesystem::path& file() const { return file_; }
    // The file could not be read at start (it is not overwritten until a change).
    bool loadFailed() const { return loadFailed_; }
    // How many times the values were written to the file: a mirror of the file (the page's
    // local storage) looks at the file again only when this changed.
    std::uint64_t writes() const { return writes_; }

  private:
    void load();
    void save();

    std::filesystem::path file_;
    Console& console_;
    std::map<std::string, Value> values_;
    bool loadFailed_ = false;
    std::uint64_t writes_ = 0;
};

}  // namespace arquorel
