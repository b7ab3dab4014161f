#pragma once
// One row of the micro-data table: the caption on the left ("Cuisine:") and the fact's words
// as a row of tags beside it. Made once per row and configured once.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/places/MicrodataFact.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class Label;

// The words' tags inside `cloud`: one tag label per word, left to right from the left edge,
// vertically centred; tags past the right edge are cut (the cloud clips). Kept apart so that
// the toolkit's tag cloud can take its place.
void layOutWordTags(View& cloud, const std::vector<std::string>& words);

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
    std::shared_ptr<View> collectionView;
    std::optional<MicrodataFact> data;

    // Fills the caption (the localised name and ":") and the tags from `data`.
    void configure();

  protected:
    void layoutSubviews() override;
};

}  // namespace arquorel
