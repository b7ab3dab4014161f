#pragma once
// A cloud of text tags: each tag is its text in a rounded box grown by the style's extra
// space, laid out left to right with horizontalSpacing() between tags. Scrolling sideways, the
// tags form one line, vertically centred; scrolling vertically, they wrap into lines
// verticalSpacing() apart, each line aligned left, centred or right. The tags lie in an inner
// scroll view (scrollView()) whose content size is the cloud's; sideways, the content is as high
// as the scroll view, so that it scrolls only sideways.
//
// Changes (adding and removing tags, spacing, direction) take effect at reload() or at the next
// layout. With tag selection on, a tap on a tag toggles it and it is drawn in its selected style.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/ui/Font.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/ScrollView.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

struct TagStyle {
    Font font = Font::system(14);
    Color textColor = Color::white();
    Color selectedTextColor = Color::white();
    Color backgroundColor = kLightGray;
    Color selectedBackgroundColor = kSystemBlue;
    Color borderColor = Color::clear();
    Color selectedBorderColor = Color::clear();
    double borderWidth = 0;
    double selectedBorderWidth = 0;
    double cornerRadius = 4;
    double selectedCornerRadius = 4;
    Color shadowColor = Color::clear();
    double shadowOpacity = 0;
    Size shadowOffset{0, 0};
    double shadowRadius = 0;
    // Added to the text's size: the box is this much wider and higher than its text.
    Size extraSpace{14, 14};
};

enum class TagScrollDirection { vertical, horizontal };
enum class TagAlignment { left, center, right };

// One tag on screen: its text centred in a box drawn in the style of its state.
class TagView : public Label {
  public:
    TagView(std::string text, TagStyle style);
    const TagStyle& style() const { return style_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    // The text's size plus the extra space.
    Size tagSize() const;

  private:
    void applyStyle();
    TagStyle style_;
    bool selected_ = false;
};

class TagCloud : public View {
  public:
    explicit TagCloud(Rect frame = {});

    TagScrollDirection scrollDirection() const { return direction_; }
    void setScrollDirection(TagScrollDirection direction);
    TagAlignment alignment() const { return alignment_; }
    void setAlignment(TagAlignment alignment);
    bool isTagSelectionEnabled() const { return selectionEnabled_; }
    void setTagSelectionEnabled(bool enabled) { selectionEnabled_ = enabled; }
    double horizontalSpacing() const { return horizontalSpacing_; }
    void setHorizontalSpacing(double spacing);
    double verticalSpacing() const { return verticalSpacing_; }
    void setVerticalSpacing(double spacing);

    void addTag(std::string text, const TagStyle& style);
    void removeAllTags();
    std::size_t tagCount() const { return tags_.size(); }
    const std::shared_ptr<TagView>& tag(std::size_t index) const { return tags_.at(index); }
    std::vector<std::string> tagTexts() const;
    void setTagSelected(std::size_t index, bool selected);

    // Lays the tags out now.
    void reload();
    const std::shared_ptr<ScrollView>& scrollView() const { return scrollView_; }
    // The size the tags take (before the sideways fix-up of its height).
    Size tagsSize() const { return tagsSize_; }
    // The height the tags need at that width, scrolling vertically.
    double heightForWidth(double width) const;

  protected:
    void layoutSubviews() override;

  private:
    // The tags' frames for a width, and the size they take.
    Size arrange(double width, std::vector<Rect>* frames) const;
    void handleTap(GestureRecognizer& recognizer);

    std::shared_ptr<ScrollView> scrollView_;
    std::shared_ptr<TapGestureRecognizer> tap_;
    std::vector<std::shared_ptr<TagView>> tags_;
    TagScrollDirection direction_ = TagScrollDirection::vertical;
    TagAlignment alignment_ = TagAlignment::left;
    bool selectionEnabled_ = true;
    double horizontalSpacing_ = 4;
    double verticalSpacing_ = 4;
    Size tagsSize_;
};

}  // namespace arquorel
