#include "arquorel/placelist/WebViewVC.h"

#include "arquorel/placelist/ReachabilityTest.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Font.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/LayoutConstraint.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/web/WebView.h"

namespace arquorel {

namespace {

using Attr = LayoutAttribute;

constexpr double kHeaderHeight = 44;
constexpr Color kSeparator{0.78, 0.78, 0.8, 1};
constexpr Color kTitleColor{62.0 / 255, 62.0 / 255, 68.0 / 255, 1};

// The status bar's height: taller on phones with a notch (812 points high and more).
double statusBarHeight() {
    const Rect screen = platformContext().device().mainScreenBounds();
    return std::max(screen.width(), screen.height()) >= 812 && screen.height() >= screen.width()
               ? 44
               : 20;
}

}  // namespace

WebViewVC::WebViewVC()
    : doneButton(std::make_shared<Button>()),
      navTitleLabel(std::make_shared<Label>()),
      lineView(std::make_shared<View>()) {}

void WebViewVC::loadView() {
    ViewController::loadView();
    auto root = view();
    root->setBackgroundColor(Color::white());
    const double top = statusBarHeight();

    doneButton->setIdentifier("doneButton");
    doneButton->setTitle(localized("back"));
    doneButton->setTitleColor(kSystemBlue);
    doneButton->setTitleFont(Font::system(17));
    root->addSubview(doneButton);
    LayoutConstraint::activate({LayoutConstraint::make(doneButton, Attr::top, top),
                                LayoutConstraint::make(doneButton, Attr::left, 8),
                                LayoutConstraint::make(doneButton, Attr::width, 88),
                                LayoutConstraint::make(doneButton, Attr::height, kHeaderHeight)});

    navTitleLabel->setIdentifier("navTitleLabel");
    navTitleLabel->accessibility().traits = AccessibilityTrait::header;
    navTitleLabel->setFont(Font::boldSystem(17));
    navTitleLabel->setTextColor(kTitleColor);
    navTitleLabel->setTextAlignment(TextAlignment::center);
    root->addSubview(navTitleLabel);
    LayoutConstraint::activate(
        {LayoutConstraint::make(navTitleLabel, Attr::top, top),
         LayoutConstraint::make(navTitleLabel, Attr::left, root, Attr::left, 100),
         LayoutConstraint::make(navTitleLabel, Attr::right, root, Attr::right, -100),
         LayoutConstraint::make(navTitleLabel, Attr::height, kHeaderHeight)});

    lineView->setIdentifier("lineView");
    lineView->setBackgroundColor(kSeparator);
    root->addSubview(lineView);
    LayoutConstraint::activate({LayoutConstraint::make(lineView, Attr::top, top + kHeaderHeight),
                                LayoutConstraint::make(lineView, Attr::left, root, Attr::left),
                                LayoutConstraint::make(lineView, Attr::right, root, Attr::right),
                                LayoutConstraint::make(lineView, Attr::height, 0.5)});

    webView = platformContext().makeWebView();
    webView->setIdentifier("webView");
    root->addSubview(webView);
    LayoutConstraint::activate(
        {LayoutConstraint::make(webView, Attr::top, top + kHeaderHeight + 0.5),
         LayoutConstraint::make(webView, Attr::left, root, Attr::left),
         LayoutConstraint::make(webView, Attr::right, root, Attr::right),
         LayoutConstraint::make(webView, Attr::bottom, root, Attr::bottom)});
}

void WebViewVC::viewDidLoad() {
    ViewController::viewDidLoad();
    navTitleLabel->setText(navTitle);
    const auto weak =
        std::weak_ptr<WebViewVC>(std::static_pointer_cast<WebViewVC>(shared_from_this()));
    doneButton->addAction(ControlEvent::touchUpInside, [weak](Control&) {
        if (auto self = weak.lock()) self->done();
    });
    webView->onFailed = [weak](WebView&, const DataLoadError& error) {
        if (auto self = weak.lock()) self->loadFailed(error);
    };
}

void WebViewVC::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    navTitleLabel->setText(navTitle);
    loadPage();
}

void WebViewVC::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    if (hideNavigation)
        if (auto navigation = navigationController()) navigation->setNavigationBarHidden(true);
}

void WebViewVC::done() {
    dismiss(true);
}

std::shared_ptr<AlertController> WebViewVC::notice() const {
    return notice_.lock();
}

void WebViewVC::loadPage() {
    // Only http and https addresses reach the web view; an empty one is no page either, and no
    // retry can open it.
    if (checkLoadableAddress(url)) {
        showNotice("CannotOpenAddress", "CannotOpenAddressDescription", false);
        return;
    }
    if (requested_ == url) return;  // loaded or loading already
    if (!ReachabilityTest::isConnectedToNetwork()) {
        showNotice("NoInternetConnection", "NoInternetConnectionDescription", true);
        return;
    }
    requested_ = url;
    webView->load({url, URLRequest::CachePolicy::useProtocolCachePolicy, kTimeout});
}

void WebViewVC::loadFailed(const DataLoadError& error) {
    requested_.clear();
    using Kind = DataLoadError::Kind;
    platformContext().console().writeLine("WebViewVC: " + error.message);
    if (error.kind == Kind::network || error.kind == Kind::timedOut ||
        error.kind == Kind::unavailable)
        showNotice("NoInternetConnection", "NoInternetConnectionDescription", true);
    else if (error.kind == Kind::invalidAddress || error.kind == Kind::unsupportedScheme)
        showNotice("CannotOpenAddress", "CannotOpenAddressDescription", false);
    else
        showNotice("PageNotLoaded", "PageNotLoadedDescription", true);
}

void WebViewVC::showNotice(const std::string& titleKey, const std::string& messageKey, bool retry) {
    if (const auto shown = notice_.lock()) {  // one notice at a time
        const auto state = shown->presentationState();
        if (state == PresentationState::presenting || state == PresentationState::shown) return;
    }
    auto alert = AlertController::create(localized(titleKey), localized(messageKey));
    const auto weak =
        std::weak_ptr<WebViewVC>(std::static_pointer_cast<WebViewVC>(shared_from_this()));
    if (retry)
        alert->addAction(
            {localized("retry"), AlertActionStyle::defaultStyle, [weak](const AlertAction&) {
                 if (auto self = weak.lock()) self->loadPage();
             }});
    alert->addAction(
        {localized("back"), AlertActionStyle::defaultStyle, [weak](const AlertAction&) {
             if (auto self = weak.lock()) self->done();
         }});
    notice_ = alert;
    present(alert, true);
}

}  // namespace arquorel
