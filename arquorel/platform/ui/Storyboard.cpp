#include "arquorel/platform/ui/Storyboard.h"

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

namespace {
void say(const std::string& line) {
    platformContext().console().writeLine(line);
}
}  // namespace

void Storyboard::addScreen(const std::string& identifier, ScreenBuilder builder) {
    if (!builder) {
        screens_.erase(identifier);
        return;
    }
    screens_[identifier] = std::move(builder);
}

void Storyboard::addSegue(const std::string& source, const std::string& identifier,
                          std::string destination, SegueKind kind) {
    segues_[{source, identifier}] = Segue{std::move(destination), kind};
}

std::shared_ptr<ViewController> Storyboard::instantiateViewController(
    const std::string& identifier) {
    auto it = screens_.find(identifier);
    auto screen = it != screens_.end() && it->second ? it->second() : nullptr;
    if (!screen) {
        say("Storyboard '" + name_ + "' has no screen with identifier '" + identifier + "'");
        return nullptr;
    }
    screen->storyboard_ = shared_from_this();
    screen->storyboardIdentifier_ = identifier;
    return screen;
}

std::shared_ptr<ViewController> Storyboard::instantiateInitialViewController() {
    if (initial_.empty()) {
        say("Storyboard '" + name_ + "' has no initial screen");
        return nullptr;
    }
    return instantiateViewController(initial_);
}

bool Storyboard::performSegue(ViewController& source, const std::string& identifier,
                              const std::any& sender) {
    auto it = segues_.find({source.storyboardIdentifier(), identifier});
    if (it == segues_.end()) {
        say(source.typeName() + " has no segue with identifier '" + identifier + "'");
        return false;
    }
    const auto segue = it->second;  // the builder may change the table
    auto destination = instantiateViewController(segue.destination);
    if (!destination) return false;
    StoryboardSegue run(identifier, source.shared_from_this(), destination);
    source.prepare(run, sender);
    auto navigation = source.navigationController();
    if (segue.kind == SegueKind::show && navigation) {
        navigation->pushViewController(destination, true);
        return true;
    }
    destination->setModalPresentationStyle(segue.kind == SegueKind::presentOverFullScreen
                                               ? ModalPresentationStyle::overFullScreen
                                               : ModalPresentationStyle::fullScreen);
    source.present(destination, true);
    return true;
}

}  // namespace arquorel
