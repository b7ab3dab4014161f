#pragma once
// Pixels the browser decoded, by the image bytes they came from. The browser decodes PNG and
// JPEG only asynchronously, while the platform's image decoder answers at once: the page
// decodes an image's bytes when they arrive, keeps the pixels here, then hands the bytes on;
// the decoder then finds them. The least recently used entries leave once the cache holds
// more than its budget of bytes.

#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "arquorel/platform/resources/Image.h"

namespace arquorel::browser {

class RasterCache {
  public:
    static constexpr std::size_t kDefaultBudget = 32u << 20;
    explicit RasterCache(std::size_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    // Keeps the pixels decoded from `bytes`. False (nothing kept) when they are not a picture
    // of a size an image may have, or they alone exceed the budget.
    bool put(std::string_view bytes, RasterPixels pixels);
    // The pixels decoded from these bytes, if kept.
    std::optional<RasterPixels> find(std::string_view bytes);

    std::size_t count() const { return entries_.size(); }
    std::size_t bytesHeld() const { return held_; }

  private:
    struct Entry {
        std::string bytes;
        RasterPixels pixels;
    };
    static std::size_t cost(const Entry& e) { return e.bytes.size() + e.pixels.rgba.size(); }

    std::size_t budget_;
    std::size_t held_ = 0;
    std::list<Entry> entries_;  // most recently used first
    std::unordered_map<std::string_view, std::list<Entry>::iterator> index_;
};

}  // namespace arquorel::browser
