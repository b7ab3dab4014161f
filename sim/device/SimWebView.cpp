#include "sim/device/SimWebView.h"

#include <algorithm>

#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Font.h"
#include "arquorel/platform/ui/Label.h"

namespace arquorel::sim {

namespace {
constexpr double kMargin = 16;
constexpr Color kAddressGray{0.45, 0.45, 0.47, 1};
constexpr Color kTextColor{0.13, 0.13, 0.14, 1};
}  // namespace

SimWebView::SimWebView(Rect frame)
    : WebView(frame),
      titleLabel_(std::make_shared<Label>()),
      addressLabel_(std::make_shared<Label>()),
      textLabel_(std::make_shared<Label>()) {
    setBackgroundColor(Color::white());
    setClipsToBounds(true);
    titleLabel_->setIdentifier("webTitle");
    titleLabel_->setFont(Font::boldSystem(22));
    titleLabel_->setNumberOfLines(3);
    titleLabel_->setTextColor(kTextColor);
    addressLabel_->setIdentifier("webAddress");
    addressLabel_->setFont(Font::system(13));
    addressLabel_->setTextColor(kAddressGray);
    addressLabel_->setLineBreakMode(LineBreakMode::truncateMiddle);
    textLabel_->setIdentifier("webText");
    textLabel_->setFont(Font::system(16));
    textLabel_->setNumberOfLines(0);
    textLabel_->setTextColor(kTextColor);
    textLabel_->setLineBreakMode(LineBreakMode::wordWrap);
    addSubview(titleLabel_);
    addSubview(addressLabel_);
    addSubview(textLabel_);
}

void SimWebView::load(const URLRequest& request) {
    url_ = request.url;
    loading_ = true;
    ++loads_;
    const unsigned generation = ++generation_;
    const auto weak = std::weak_ptr<View>(weak_from_this());
    auto self = [weak] { return std::static_pointer_cast<SimWebView>(weak.lock()); };
    platformContext().dataLoader().load(url_, [self, generation](const DataLoadResult& result) {
        if (auto view = self()) view->finish(generation, result);
    });
    const double timeout = request.timeoutInterval > 0 ? request.timeoutInterval : 60;
    platformContext().mainLoop().asyncAfter(timeout, [self, generation, url = url_, timeout] {
        auto view = self();
        if (!view || view->generation_ != generation || !view->loading_) return;
        view->fail({DataLoadError::Kind::timedOut, "loading \"" + url + "\" took longer than " +
                                                       std::to_string(static_cast<int>(timeout)) +
                                                       " s"});
    });
}

void SimWebView::stopLoading() {
    ++generation_;
    loading_ = false;
}

void SimWebView::finish(unsigned generation, const DataLoadResult& result) {
    if (generation != generation_ || !loading_) return;
    if (!result.ok()) {
        fail(*result.error);
        return;
    }
    loading_ = false;
    page_ = readHtml(
        std::string_view(reinterpret_cast<const char*>(result.bytes.data()), result.bytes.size()));
    pageUrl_ = url_;
    show();
    if (onFinished) onFinished(*this);
}

void SimWebView::fail(const DataLoadError& error) {
    loading_ = false;
    ++generation_;
    if (onFailed) onFailed(*this, error);
}

void SimWebView::show() {
    titleLabel_->setText(page_ ? page_->title : std::string());
    addressLabel_->setText(page_ ? pageUrl_ : std::string());
    textLabel_->setText(page_ ? page_->text(kMaxReaderShownBytes) : std::string());
    setNeedsLayout();
}

void SimWebView::layoutSubviews() {
    const double width = std::max(0.0, bounds().width() - 2 * kMargin);
    double y = kMargin;
    const Size title = titleLabel_->sizeThatFits({width, 0});
    titleLabel_->setFrame({kMargin, y, width, title.height});
    y += title.height + (title.height > 0 ? 4 : 0);
    const Size address = addressLabel_->sizeThatFits({width, 0});
    addressLabel_->setFrame({kMargin, y, width, address.height});
    y += address.height + (address.height > 0 ? 12 : 0);
    // The text starts under the address (a label centres its text, so the frame is only as
    // high as the text) and lines below the bottom of the page are cut.
    const double room = std::max(0.0, bounds().height() - y - kMargin);
    const double needed = textLabel_->sizeThatFits({width, 0}).height;
    textLabel_->setFrame({kMargin, y, width, std::min(needed, room)});
}

void SimWebView::describe(ViewDescription& description) const {
    View::describe(description);
    description.add("url", url_);
    if (loading_) description.add("loading", "yes");
}

}  // namespace arquorel::sim
