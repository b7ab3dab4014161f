#pragma once
// A text field of a place record. A whole region holds a hundred thousand records whose text
// fields are mostly empty: an empty text takes the size of one pointer and nothing else, any
// other text one allocation of its length (and a length prefix). It reads as a string_view and
// converts to std::string wherever one is wanted.

#include <compare>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace arquorel {

class PlaceText {
  public:
    PlaceText() = default;
    PlaceText(std::string_view text) { assign(text); }
    PlaceText(const std::string& text) { assign(text); }
    PlaceText(const char* text) { assign(text ? std::string_view(text) : std::string_view()); }
    PlaceText(const PlaceText& other) { assign(other.view()); }
    PlaceText(PlaceText&&) noexcept = default;
    PlaceText& operator=(const PlaceText& other) {
        if (this != &other) assign(other.view());
        return *this;
    }
    PlaceText& operator=(PlaceText&&) noexcept = default;
    PlaceText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    PlaceText& operator=(const std::string& text) { return *this = std::string_view(text); }
    PlaceText& operator=(const char* text) {
        return *this = text ? std::string_view(text) : std::string_view();
    }

    std::string_view view() const {
        if (!data_) return {};
        std::uint32_t size;
        std::memcpy(&size, data_.get(), sizeof size);
        return {data_.get() + sizeof size, size};
    }
    std::string str() const { return std::string(view()); }
    operator std::string_view() const { return view(); }
    operator std::string() const { return str(); }

    bool empty() const { return !data_; }
    std::size_t size() const { return view().size(); }
    const char* data() const { return view().data(); }
    char front() const { return view().front(); }
    char back() const { return view().back(); }
    std::size_t find(std::string_view what, std::size_t from = 0) const {
        return view().find(what, from);
    }
    std::size_t find(char c, std::size_t from = 0) const { return view().find(c, from); }
    bool starts_with(std::string_view prefix) const { return view().starts_with(prefix); }
    std::string substr(std::size_t pos, std::size_t n = std::string::npos) const {
        return std::string(view().substr(pos, n));
    }
    void clear() { data_.reset(); }
    PlaceText& operator+=(std::string_view more) {
        std::string joined(view());
        joined += more;
        return *this = std::string_view(joined);
    }

    friend bool operator==(const PlaceText& a, const PlaceText& b) { return a.view() == b.view(); }
    friend bool operator==(const PlaceText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const PlaceText& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const PlaceText& a, const char* b) { return a.view() == b; }
    friend std::strong_ordering operator<=>(const PlaceText& a, const PlaceText& b) {
        // Through compare(): not every standard library has <=> on string_view yet.
        return a.view().compare(b.view()) <=> 0;
    }

    friend std::string operator+(const PlaceText& a, std::string_view b) {
        std::string s(a.view());
        s += b;
        return s;
    }
    friend std::string operator+(const PlaceText& a, const std::string& b) {
        return a + std::string_view(b);
    }
    friend std::string operator+(const PlaceText& a, const char* b) {
        return a + std::string_view(b);
    }
    friend std::string operator+(const PlaceText& a, char b) { return a + std::string_view(&b, 1); }
    friend std::string operator+(std::string a, const PlaceText& b) {
        a += b.view();
        return a;
    }
    friend std::string operator+(const char* a, const PlaceText& b) { return std::string(a) + b; }
    friend std::ostream& operator<<(std::ostream& out, const PlaceText& t) {
        return out << t.view();
    }

  private:
    void assign(std::string_view text) {
        if (text.empty()) {
            data_.reset();
            return;
        }
        const auto size = static_cast<std::uint32_t>(text.size());
        std::unique_ptr<char[]> data(new char[sizeof size + text.size()]);
        std::memcpy(data.get(), &size, sizeof size);
        std::memcpy(data.get() + sizeof size, text.data(), text.size());
        data_ = std::move(data);
    }

    std::unique_ptr<char[]> data_;  // the length, then the bytes; none when empty
};

}  // namespace arquorel
