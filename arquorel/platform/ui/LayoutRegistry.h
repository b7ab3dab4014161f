#pragma once
// Layouts created by name, as the bundle's layout files would be: screen layouts (Storyboard),
// view layouts (a list of top-level views, like a card) and single-screen layouts. Screens and
// views register their builders; an unknown name writes one console line and gives nothing.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace arquorel {

class Storyboard;
class View;
class ViewController;

class LayoutRegistry {
  public:
    using ViewLayoutBuilder = std::function<std::vector<std::shared_ptr<View>>()>;
    using ScreenBuilder = std::function<std::shared_ptr<ViewController>()>;

    // The registry of the process.
    static LayoutRegistry& shared();

    // The screen layout of that name, created empty on first use, for screens to add
    // themselves to.
    Storyboard& defineStoryboard(const std::string& name);
    void registerViewLayout(const std::string& name, ViewLayoutBuilder builder);
    void registerScreenLayout(const std::string& name, ScreenBuilder builder);
    bool contains(const std::string& name) const;

    std::shared_ptr<Storyboard> storyboard(const std::string& name) const;
    // The top-level views of a view layout, newly made.
    std::vector<std::shared_ptr<View>> loadViewLayout(const std::string& name) const;
    // The screen of a single-screen layout, newly made.
    std::shared_ptr<ViewController> loadScreen(const std::string& name) const;

  private:
    void reportMissing(const std::string& kind, const std::string& name) const;

    std::map<std::string, std::shared_ptr<Storyboard>> storyboards_;
    std::map<std::string, ViewLayoutBuilder> viewLayouts_;
    std::map<std::string, ScreenBuilder> screens_;
};

}  // namespace arquorel
