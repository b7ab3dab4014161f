#include "arquorel/platform/web/ShareSheet.h"

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Font.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {

// The dimmed screen with a card at the bottom listing what is shared and a cancel button.
class ShareSheetView final : public View {
  public:
    ShareSheetView(Rect frame, std::weak_ptr<ShareSheetController> owner)
        : View(frame), owner_(std::move(owner)) {
        setBackgroundColor(Color{0, 0, 0, 0.4});
    }

  protected:
    void layoutSubviews() override {
        auto sheet = owner_.lock();
        if (!sheet) return;
        const auto children = subviews();
        for (const auto& v : children) v->removeFromSuperview();
        constexpr double margin = 8, rowHeight = 44;
        const Rect b = bounds();
        const double width = b.width() - 2 * margin;
        auto card = std::make_shared<View>();
        card->setIdentifier("shareSheet");
        card->setBackgroundColor(Color{0.97, 0.97, 0.97, 1});
        card->layer().cornerRadius = 14;
        card->setClipsToBounds(true);
        double y = 8;
        for (const auto& item : sheet->items()) {
            auto label = std::make_shared<Label>(Rect{16, y, width - 32, rowHeight}, item.value);
            label->setFont(Font::system(15));
            label->setTextColor(item.kind == ShareItem::Kind::url ? kSystemBlue : Color::black());
            card->addSubview(label);
            y += rowHeight;
        }
        y += 8;
        const double bottom = b.height() - margin - 34;  // above the home indicator
        auto cancel = std::make_shared<Button>(Rect{margin, bottom - 57, width, 57});
        cancel->setIdentifier("shareSheet.cancel");
        cancel->setTitle("Cancel");
        cancel->setTitleFont(Font::boldSystem(20));
        cancel->setTitleColor(kSystemBlue);
        cancel->setBackgroundColor(Color::white());
        cancel->layer().cornerRadius = 14;
        cancel->addAction(ControlEvent::touchUpInside, [owner = owner_](Control&) {
            if (auto s = owner.lock()) s->cancel();
        });
        card->setFrame({margin, bottom - 57 - margin - y, width, y});
        addSubview(card);
        addSubview(cancel);
    }

  private:
    std::weak_ptr<ShareSheetController> owner_;
};

}  // namespace

ShareSheetController::ShareSheetController(std::vector<ShareItem> items)
    : items_(std::move(items)) {
    setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
}

std::shared_ptr<ShareSheetController> ShareSheetController::create(std::vector<ShareItem> items) {
    return std::make_shared<ShareSheetController>(std::move(items));
}

void ShareSheetController::loadView() {
    setView(std::make_shared<ShareSheetView>(
        platformContext().device().mainScreenBounds(),
        std::static_pointer_cast<ShareSheetController>(shared_from_this())));
}

void ShareSheetController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    if (handedOver_) return;
    handedOver_ = true;
    ShareRecord record{items_, {}};
    if (auto anchor = popoverSourceView.lock()) record.anchor = anchor->identifier();
    platformContext().shareService().share(record);
}

bool ShareSheetController::pick(const std::string& activity) {
    const auto state = presentationState();
    if (state != PresentationState::presenting && state != PresentationState::shown) {
        platformContext().console().writeLine("The share sheet is not on screen; '" + activity +
                                              "' cannot be picked");
        return false;
    }
    dismiss(true, [done = completion, activity] {
        if (done) done(activity, !activity.empty());
    });
    return true;
}

}  // namespace arquorel
