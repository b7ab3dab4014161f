#pragma once
// A small in-app browser: a header with a back button and a centred title over a web view
// that shows one address. The opener sets `url`, `navTitle` and `hideNavigation` before
// presenting it.
//
// Each time the screen is about to appear it loads `url` unless that address is already loaded
// or loading. What cannot be loaded is said with a notice, never with a blank page:
// - no network route, or a load that failed for lack of a connection: the no-connection notice
//   with retry and back;
// - a load that failed otherwise (nothing there, a server error): a page-not-loaded notice with
//   retry and back;
// - an empty address, or one that is not an http or https URL: a cannot-open notice with back
//   only; such an address never reaches the web view.
// Retry runs the loading steps again; back leaves the screen.

#include <memory>
#include <string>

#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/web/DataLoader.h"

namespace arquorel {

class AlertController;
class Button;
class Label;
class View;
class WebView;

class WebViewVC : public ViewController {
  public:
    // Seconds a load may take before it fails as timed out.
    static constexpr double kTimeout = 60;

    WebViewVC();
    static std::shared_ptr<WebViewVC> create() { return std::make_shared<WebViewVC>(); }

    std::string url;
    std::string navTitle;
    std::shared_ptr<WebView> webView;  // made when the screen loads
    bool hideNavigation = false;
    std::shared_ptr<Button> doneButton;
    std::shared_ptr<Label> navTitleLabel;
    std::shared_ptr<View> lineView;

    // The back button's action: leave the screen, animated.
    void done();

    // The notice on screen, if any.
    std::shared_ptr<AlertController> notice() const;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

  private:
    void loadPage();
    void showNotice(const std::string& titleKey, const std::string& messageKey, bool retry);
    void loadFailed(const DataLoadError& error);

    std::string requested_;  // the address loaded or loading; empty when none or it failed
    std::weak_ptr<AlertController> notice_;
};

}  // namespace arquorel
