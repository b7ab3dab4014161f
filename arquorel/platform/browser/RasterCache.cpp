#include "arquorel/platform/browser/RasterCache.h"

namespace arquorel::browser {

bool RasterCache::put(std::string_view bytes, RasterPixels pixels) {
    if (bytes.empty() || pixels.width <= 0 || pixels.height <= 0 ||
        pixels.width > Image::kMaxRasterSide || pixels.height > Image::kMaxRasterSide ||
        pixels.rgba.size() != static_cast<std::size_t>(pixels.width) * pixels.height * 4)
        return false;
    if (bytes.size() + pixels.rgba.size() > budget_) return false;
    if (const auto it = index_.find(bytes); it != index_.end()) {
        const auto old = it->second;  // the key views this entry's bytes: drop the key first
        index_.erase(it);
        held_ -= cost(*old);
        entries_.erase(old);
    }
    entries_.push_front({std::string(bytes), std::move(pixels)});
    index_.emplace(entries_.front().bytes, entries_.begin());
    held_ += cost(entries_.front());
    while (held_ > budget_) {
        const Entry& last = entries_.back();
        held_ -= cost(last);
        index_.erase(last.bytes);
        entries_.pop_back();
    }
    return true;
}

std::optional<RasterPixels> RasterCache::find(std::string_view bytes) {
    const auto it = index_.find(bytes);
    if (it == index_.end()) return std::nullopt;
    entries_.splice(entries_.begin(), entries_, it->second);
    return entries_.front().pixels;
}

}  // namespace arquorel::browser
