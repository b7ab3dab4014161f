#pragma once
// A row of the places list: the place's name, up to two category tags, its opening hours and
// address, the distance from the user and an arrow towards the place that turns with the
// compass, plus favourite and share buttons.
//
// The cell holds one heading subscription, replaced at every configure, so a reused cell leaves
// nothing behind. Distance and arrow are computed at configure and on every heading report:
// the distance whenever the user's location is known, the arrow once a heading is known too.

#include <any>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/TableViewCell.h"
#include "arquorel/platform/web/ShareSheet.h"
#include "arquorel/toolkit/InsetsLabel.h"
#include "arquorel/toolkit/TagCloud.h"

namespace arquorel {

class ArPlaceCell;

// What the cell's owner does with the cell's actions.
class ShareDelegate {
  public:
    virtual ~ShareDelegate() = default;
    virtual void shareWithItems(const std::vector<ShareItem>& items) = 0;
    virtual void removeeFromFavorite(const std::any& /*item*/, ArPlaceCell& /*cell*/) {}
    virtual void forceSelectCellWithCell(ArPlaceCell& /*cell*/) {}
};

inline constexpr const char* kArPlaceCellIdentifier = "arplaceCell";

class ArPlaceCell : public TableViewCell {
  public:
    static constexpr double kTimeRowHeight = 25;
    static constexpr double kLocationRowHeight = 22;
    static constexpr double kTagsHeight = 24;
    static constexpr double kSideMargin = 15;
    static constexpr double kRightColumn = 124;
    static constexpr double kTagExtraSpace = 8;
    static constexpr double kTagFontSize = 11;

    ArPlaceCell();

    std::shared_ptr<InsetsLabel> titlelabel;
    std::shared_ptr<InsetsLabel> timeLabel;
    std::shared_ptr<Button> favoriteButton;
    std::shared_ptr<Button> shareButton;
    std::shared_ptr<Label> distanceLabel;
    double timeHeight = 0;
    std::shared_ptr<ImageView> dirArrow;
    std::weak_ptr<ShareDelegate> delegate;
    std::shared_ptr<TagCloud> collectionView;
    std::shared_ptr<View> tagsView;
    std::shared_ptr<View> shadow;
    std::shared_ptr<View> shadow2;
    std::shared_ptr<View> distanceView;
    std::shared_ptr<InsetsLabel> locationLabel;
    double locationHeight = 0;
    bool fromFavorite = false;
    std::shared_ptr<QuorelProperty> place;

    // Fills every view from `place` and subscribes to heading reports.
    void configure();
    // The distance and arrow for a heading report (none: no heading is known). The arrow
    // shows only with a heading: without one it could not point anywhere true.
    void updateHeading(std::optional<double> heading);
    // Favourite and share buttons.
    void removeFromFavorite();
    void share();
    // What the share button passes on: the details screen's share items for the place
    // (shareItems() of the hand-offs); the button is hidden when there are none.
    std::vector<ShareItem> shareItems() const;
    // Selection haptic ticks fired by the favourite toggle.
    int hapticTicks() const { return hapticTicks_; }
    // Whether the cell listens to heading reports now.
    bool isSubscribed() const { return subscription_.active(); }

    // What a reader reads of the row: name, tags, distance and direction ("Casino de Monte
    // Carlo, Casino, 70 m, ahead"), favourite as its value.
    void updateAccessibility();

    void setHighlighted(bool highlighted, bool animated = false) override;
    double heightForWidth(double width) const override;
    void prepareForReuse() override;

  protected:
    void layoutSubviews() override;

  private:
    std::string spokenWhere_;  // "70 m, ahead", as a reader says it
    void rebuildTags();
    double titleHeight(double width) const;

    HeadingSubscription subscription_;
    int hapticTicks_ = 0;
};

// The text of a cell's distance: the distance text padded by two spaces on each side.
std::string cellDistanceText(double metres);

}  // namespace arquorel
