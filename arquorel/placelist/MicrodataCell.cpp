#include "arquorel/placelist/MicrodataCell.h"

#include <algorithm>

#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/ui/Font.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/LayoutConstraint.h"

namespace arquorel {

namespace {

constexpr double kMargin = 16;
constexpr double kCaptionGap = 8;
constexpr double kTagSpacing = 4;
constexpr double kExtraWidth = 8;    // a tag is its text plus this much wide
constexpr double kExtraHeight = 10;  // and this much high
constexpr Color kCaptionColor{62.0 / 255, 62.0 / 255, 68.0 / 255, 1};
constexpr Color kTagBackground{0.52, 0.55, 0.6, 1};

}  // namespace

TagStyle microdataTagStyle() {
    TagStyle style;
    style.font = Font::system(11);
    style.textColor = style.selectedTextColor = Color::white();
    style.backgroundColor = style.selectedBackgroundColor = kTagBackground;
    style.cornerRadius = style.selectedCornerRadius = 3;
    style.extraSpace = {kExtraWidth, kExtraHeight};
    return style;
}

MicrodataCell::MicrodataCell(Rect frame) : View(frame) {
    setBackgroundColor(Color::white());
}

std::shared_ptr<MicrodataCell> MicrodataCell::create(double width) {
    auto cell = std::make_shared<MicrodataCell>(Rect{0, 0, width, kRowHeight});
    auto caption = std::make_shared<Label>();
    caption->setIdentifier("tabsLabel");
    caption->setFont(Font::system(14, FontWeight::bold));
    caption->setTextColor(kCaptionColor);
    cell->addSubview(caption);
    auto tags = std::make_shared<View>();
    tags->setIdentifier("tagsView");
    cell->addSubview(tags);
    cell->collectionView = std::make_shared<TagCloud>();
    cell->collectionView->setIdentifier("tagCloud");
    cell->collectionView->setScrollDirection(TagScrollDirection::horizontal);
    cell->collectionView->setTagSelectionEnabled(false);
    cell->collectionView->setHorizontalSpacing(kTagSpacing);
    tags->addSubview(cell->collectionView);
    pinEdges(cell->collectionView);
    cell->tabsLabel = caption;
    cell->tagsView = tags;
    return cell;
}

void MicrodataCell::configure() {
    if (auto caption = tabsLabel.lock())
        caption->setText(data ? Bundle::framework().localizedString(data->name) + ":" : "");
    if (collectionView) {
        collectionView->removeAllTags();
        if (data)
            for (const auto& word : data->words) collectionView->addTag(word, microdataTagStyle());
    }
    // One element reading "Cuisine: italian, pizza".
    std::string reading;
    if (data) {
        reading = Bundle::framework().localizedString(data->name) + ":";
        for (std::size_t i = 0; i < data->words.size(); ++i)
            reading += (i ? ", " : " ") + data->words[i];
    }
    accessibility().isElement = data.has_value();
    accessibility().label = reading;
    setNeedsLayout();
    layoutIfNeeded();
}

void MicrodataCell::layoutSubviews() {
    const auto caption = tabsLabel.lock();
    const auto tags = tagsView.lock();
    if (!caption || !tags) return;
    const Rect b = bounds();
    // The caption takes what it needs, up to 60 % of the row (the values are short words); the tags
    // take the rest.
    const double captionWidth =
        std::min(caption->sizeThatFits({0, 0}).width, std::max(0.0, b.width() * 0.6));
    caption->setFrame({kMargin, 0, captionWidth, b.height()});
    const double left = kMargin + captionWidth + kCaptionGap;
    tags->setFrame({left, 0, std::max(0.0, b.width() - left - kMargin), b.height()});
    tags->layoutIfNeeded();
    if (collectionView) {
        collectionView->setFrame(tags->bounds());
        collectionView->reload();
    }
}

}  // namespace arquorel
