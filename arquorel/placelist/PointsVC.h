#pragma once
// The list of places that the main screen opens over the AR view: one ArPlaceCell per place,
// in the order handed over, a header with back and hint buttons, a hint overlay closed by its
// button or a tap, and a header shadow that deepens as the list scrolls. Raising the phone
// upright closes the list again (when it holds places). A row tap goes to the host's delegate,
// or without one to the details screen "PlaceVC" of the layout "Storyboard".
//
// The accelerometer runs only while the list is shown: back, disappearing and the raise itself
// stop it, and its handler holds the list weakly. The list reports "closed" to its delegate
// only once it is dismissed.

#include <any>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/placelist/ArPlaceCell.h"
#include "arquorel/placelist/BaseVC.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/runtime/OperationQueue.h"
#include "arquorel/platform/sensors/MotionService.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/TableView.h"

namespace arquorel {

inline constexpr const char* kPointsVCIdentifier = "PointsVC";
inline constexpr const char* kFromTablePlaceSegue = "fromTablePlace";
inline constexpr const char* kSearchForRadiusNotification = "searchForRadius";

// Adds the screen "PointsVC" and its segue "fromTablePlace" to the layout "Storyboard" (and the
// main screen's layouts, whose "pointTable" segue leads here). Idempotent.
void registerPlaceListLayouts();

class PointsVC : public BaseVC,
                 public PointsListScreen,
                 public TableViewDataSource,
                 public TableViewDelegate,
                 public ShareDelegate {
  public:
    static constexpr double kRaiseThreshold = -0.7;  // g, y axis
    static constexpr double kAccelerometerInterval = 1.0;
    static constexpr double kHintAnimation = 0.2;
    static constexpr double kShadowFullOffset = 50;
    static constexpr double kHeaderHeight = 56;

    static std::shared_ptr<PointsVC> make();

    // ---- Inputs ----
    const double reloadDistance = 200.0;
    std::vector<std::shared_ptr<QuorelProperty>> tableData;
    std::shared_ptr<BackDelegate> delegate;
    std::optional<PlaceRequest> placeRequest;
    std::shared_ptr<QuorelVCDelegate> quorelDelegate;

    // ---- State ----
    bool neededUpdateForExplore = false;
    bool isPlaceVCShowed = false;
    // Layout values: the hint label's x, the table's bottom inset, the hint button's top.
    double hintLabelConst = 0;
    double botomTableViewConst = 0;
    double hintButtonTopConst = 8;

    // ---- Views ----
    std::shared_ptr<TapGestureRecognizer> helpTap;
    std::shared_ptr<View> topView;
    std::shared_ptr<TableView> tableView;
    std::shared_ptr<View> testView;
    std::shared_ptr<Label> hintLabel;
    std::shared_ptr<Button> hintButton;
    std::shared_ptr<Button> backButton;
    std::shared_ptr<View> hintView;
    std::shared_ptr<Label> pointHintTitle;
    std::shared_ptr<Label> pointHintDescription1;
    std::shared_ptr<Label> pointHintDescription2;
    std::shared_ptr<Label> keepItStrightLabel;
    std::shared_ptr<Button> closeHintButtonView;
    // Shown instead of rows when the list has no places.
    std::shared_ptr<Label> emptyLabel;
    const std::shared_ptr<MotionService>& motionManager() const { return motionManager_; }

    // ---- PointsListScreen ----
    void setTableData(const std::vector<std::shared_ptr<QuorelProperty>>& places) override {
        tableData = places;
    }
    void setTitleText(const std::string& title) override { titleText_ = title; }

    // ---- Life cycle ----
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidLayoutSubviews() override;
    void prepare(StoryboardSegue& segue, const std::any& sender) override;

    // ---- Actions ----
    void backClicked();
    void hintPressed();
    void closeHintButton();
    void dismissViewWithGesture();
    // Opens the place of a row as a tap does.
    void selectRow(int row);
    // Starts the accelerometer for raise-to-close (each time the list has been shown).
    void startRaiseToClose();
    void stopRaiseToClose();
    // One accelerometer sample, on the main queue.
    void handleAcceleration(const Acceleration& sample);
    // The moved-away check against placeRequest: a new search is due on back once the user
    // is reloadDistance or more from the search's centre.
    void checkMovedAway();
    bool isFarFromSearch(double metres) const { return metres >= reloadDistance; }

    // ---- Table ----
    int numberOfRows(TableView& table) override;
    std::shared_ptr<TableViewCell> cellForRow(TableView& table, int row) override;
    void willDisplay(TableView& table, TableViewCell& cell, int row) override;
    void didSelectRow(TableView& table, int row) override;
    void scrollViewDidScroll(ScrollView& scrollView) override;

    // ---- ShareDelegate ----
    void shareWithItems(const std::vector<ShareItem>& items) override;
    void forceSelectCellWithCell(ArPlaceCell& cell) override;
    // The items of the last share, until a share sheet takes them.
    const std::vector<ShareItem>& sharedItems() const { return sharedItems_; }

    bool isRaiseToCloseRunning() const;

  protected:
    PointsVC();

  private:
    std::shared_ptr<PointsVC> me();
    void openPlace(const std::shared_ptr<QuorelProperty>& record);
    void layoutScreen();
    void setHintTexts();
    double topInset() const;

    std::shared_ptr<View> hintClip_;
    std::shared_ptr<MotionService> motionManager_;
    std::unique_ptr<OperationQueue> queue_;
    HeadingSubscription movedAwaySubscription_;
    std::vector<ShareItem> sharedItems_;
    std::string titleText_;
    bool closing_ = false;
};

}  // namespace arquorel
