#pragma once
// One row of the micro-data table: the caption on the left ("Cuisine:") and the fact's words
// as one line of tags beside it, in a tag cloud that scrolls sideways when they do not fit.
// Made once per row and configured once.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/places/MicrodataFact.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/toolkit/TagCloud.h"

namespace arquorel {

class Label;

// The look of a word's tag: white text on grey, corners of 3 points, 8 points wider and 10
// higher than its text.
TagStyle microdataTagStyle();

class MicrodataCell : public View {
  public:
    static constexpr const char* kReuseIdentifier = "cell";
    static constexpr double kRowHeight = 50;

    // A cell as the layout makes it: the caption label, and the tag container with the tag
    // cloud pinned to its four edges.
    static std::shared_ptr<MicrodataCell> create(double width);
    explicit MicrodataCell(Rect frame = {});

    std::weak_ptr<View> tagsView;
    std::weak_ptr<Label> tabsLabel;
    std::shared_ptr<TagCloud> collectionView;
    std::optional<MicrodataFact> data;

    // Fills the caption (the localised name and ":") and the tags from `data`.
    void configure();

  protected:
    void layoutSubviews() override;
};

}  // namespace arquorel
