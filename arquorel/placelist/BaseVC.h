#pragma once
// The base of the list and details screens: asks for the home indicator to be hidden, again on
// appearing and 0.2 s after (animated over 0.5 s, as the system may have shown it meanwhile),
// and gives the navigation bar a back item with a single-space title in the screens' colours.

#include <string_view>

#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

class BaseVC : public ViewController {
  public:
    static constexpr double kHomeIndicatorDelay = 0.2;
    static constexpr double kHomeIndicatorAnimation = 0.5;
    static inline constexpr const char* kBackItemTitle = " ";

    virtual bool prefersHomeIndicatorAutoHidden() const { return true; }
    // How often the screen asked the system to apply its home-indicator preference.
    int homeIndicatorUpdates() const { return homeIndicatorUpdates_; }
    bool isHomeIndicatorHidden() const { return homeIndicatorHidden_; }

    // What the navigation bar shows for this screen.
    std::string_view backItemTitle() const { return loaded_ ? kBackItemTitle : ""; }
    const Color& navigationTintColor() const { return tint_; }
    const Color& navigationTitleColor() const { return titleColor_; }

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

  protected:
    void updateHomeIndicator();

  private:
    int homeIndicatorUpdates_ = 0;
    bool homeIndicatorHidden_ = false;
    bool loaded_ = false;
    Color tint_ = Color::black();
    Color titleColor_ = Color::black();
};

}  // namespace arquorel
