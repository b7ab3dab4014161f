#include "arquorel/platform/ui/LayoutRegistry.h"

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

LayoutRegistry& LayoutRegistry::shared() {
    static LayoutRegistry registry;
    return registry;
}

Storyboard& LayoutRegistry::defineStoryboard(const std::string& name) {
    auto& slot = storyboards_[name];
    if (!slot) slot = std::make_shared<Storyboard>(name);
    return *slot;
}

void LayoutRegistry::registerViewLayout(const std::string& name, ViewLayoutBuilder builder) {
    viewLayouts_[name] = std::move(builder);
}

void LayoutRegistry::registerScreenLayout(const std::string& name, ScreenBuilder builder) {
    screens_[name] = std::move(builder);
}

bool LayoutRegistry::contains(const std::string& name) const {
    return storyboards_.count(name) || viewLayouts_.count(name) || screens_.count(name);
}

void LayoutRegistry::reportMissing(const std::string& kind, const std::string& name) const {
    platformContext().console().writeLine("Could not find a " + kind + " named '" + name +
                                          "' in the bundle");
}

std::shared_ptr<Storyboard> LayoutRegistry::storyboard(const std::string& name) const {
    auto it = storyboards_.find(name);
    if (it == storyboards_.end()) {
        reportMissing("screen layout", name);
        return nullptr;
    }
    return it->second;
}

std::vector<std::shared_ptr<View>> LayoutRegistry::loadViewLayout(const std::string& name) const {
    auto it = viewLayouts_.find(name);
    if (it == viewLayouts_.end() || !it->second) {
        reportMissing("view layout", name);
        return {};
    }
    auto views = it->second();
    std::erase(views, nullptr);
    return views;
}

std::shared_ptr<ViewController> LayoutRegistry::loadScreen(const std::string& name) const {
    auto it = screens_.find(name);
    auto screen = it != screens_.end() && it->second ? it->second() : nullptr;
    if (!screen) reportMissing("screen layout", name);
    return screen;
}

}  // namespace arquorel
