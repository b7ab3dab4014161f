#include "arquorel/platform/runtime/NotificationCenter.h"

#include <algorithm>

namespace arquorel {

NotificationCenter::Token NotificationCenter::addObserver(const void* owner, std::string name,
                                                          Handler handler) {
    const Token token = next_++;
    entries_.push_back(Entry{token, owner, std::move(name), std::move(handler)});
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    std::erase_if(entries_, [&](const Entry& e) { return e.token == token; });
}

void NotificationCenter::removeObserver(const void* owner) {
    std::erase_if(entries_, [&](const Entry& e) { return e.owner == owner; });
}

void NotificationCenter::removeObserver(const void* owner, const std::string& name) {
    std::erase_if(entries_, [&](const Entry& e) { return e.owner == owner && e.name == name; });
}

void NotificationCenter::post(const std::string& name, const void* sender, UserInfo userInfo) {
    const Notification note{name, sender, std::move(userInfo)};
    // Observers may add or remove observers while handling; deliver to those registered at the
    // time of posting that are still registered when their turn comes.
    std::vector<Token> targets;
    for (const auto& e : entries_)
        if (e.name == name) targets.push_back(e.token);
    for (Token t : targets) {
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const Entry& e) { return e.token == t; });
        if (it == entries_.end()) continue;
        Handler handler = it->handler;  // copy: the entry may go away during the call
        if (handler) handler(note);
    }
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(),
                                                  [&](const Entry& e) { return e.name == name; }));
}

}  // namespace arquorel
