#pragma once
// A screen layout: screens made by identifier, the one to start with, and the segues that
// lead from one screen to another. Layouts are registered by name in the LayoutRegistry;
// screens add themselves to the layout they belong to.

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace arquorel {

class ViewController;

// How a segue shows its destination: pushed onto the source's navigation stack when it has one
// (presented full screen otherwise), or presented modally in a given style.
enum class SegueKind { show, presentFullScreen, presentOverFullScreen };

class StoryboardSegue {
  public:
    StoryboardSegue(std::string identifier, std::shared_ptr<ViewController> source,
                    std::shared_ptr<ViewController> destination)
        : identifier_(std::move(identifier)),
          source_(std::move(source)),
          destination_(std::move(destination)) {}

    const std::string& identifier() const { return identifier_; }
    const std::shared_ptr<ViewController>& source() const { return source_; }
    const std::shared_ptr<ViewController>& destination() const { return destination_; }

  private:
    std::string identifier_;
    std::shared_ptr<ViewController> source_;
    std::shared_ptr<ViewController> destination_;
};

class Storyboard : public std::enable_shared_from_this<Storyboard> {
  public:
    using ScreenBuilder = std::function<std::shared_ptr<ViewController>()>;

    explicit Storyboard(std::string name) : name_(std::move(name)) {}
    const std::string& name() const { return name_; }

    // Adds (or replaces) the screen of that identifier; an empty builder removes it.
    void addScreen(const std::string& identifier, ScreenBuilder builder);
    bool hasScreen(const std::string& identifier) const { return screens_.count(identifier) > 0; }
    // The builder of that screen; empty when there is none.
    ScreenBuilder screenBuilder(const std::string& identifier) const {
        const auto it = screens_.find(identifier);
        return it != screens_.end() ? it->second : ScreenBuilder{};
    }
    void setInitialScreen(std::string identifier) { initial_ = std::move(identifier); }
    // Adds (or replaces) the segue `identifier` from the screen `source` to `destination`.
    void addSegue(const std::string& source, const std::string& identifier, std::string destination,
                  SegueKind kind = SegueKind::show);

    // A new screen; an unknown identifier, or a builder that makes nothing, writes one
    // console line and gives none.
    std::shared_ptr<ViewController> instantiateViewController(const std::string& identifier);
    std::shared_ptr<ViewController> instantiateInitialViewController();

    // Runs the segue from `source` (made from this layout); false with one console line when
    // the source's screen has no such segue or the destination cannot be made.
    bool performSegue(ViewController& source, const std::string& identifier,
                      const std::any& sender);

  private:
    struct Segue {
        std::string destination;
        SegueKind kind;
    };
    std::string name_;
    std::map<std::string, ScreenBuilder> screens_;
    std::map<std::pair<std::string, std::string>, Segue> segues_;
    std::string initial_;
};

}  // namespace arquorel
