#include "arquorel/platform/ui/TableView.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

// A cell that knows which row it shows and how high it wants to be.
class RowCell : public TableViewCell {
  public:
    RowCell() : TableViewCell("row") {
        button->setIdentifier("rowButton");
        contentView()->addSubview(button);
    }
    int row = -1;
    double wanted = 60;
    int reuses = 0;
    std::shared_ptr<Button> button = std::make_shared<Button>(Rect{150, 5, 40, 30});
    double heightForWidth(double) const override { return wanted; }
    void prepareForReuse() override { ++reuses; }
};

struct Source : TableViewDataSource, TableViewDelegate {
    int rows = 100;
    std::map<int, double> heights;  // self-sizing heights by row (default 60)
    std::vector<int> displayed;
    std::vector<int> selected;
    int numberOfRows(TableView&) override { return rows; }
    std::shared_ptr<TableViewCell> cellForRow(TableView& table, int row) override {
        auto cell = std::static_pointer_cast<RowCell>(table.dequeueReusableCell("row"));
        cell->row = row;
        cell->wanted = heights.count(row) ? heights[row] : 60;
        return cell;
    }
    void willDisplay(TableView&, TableViewCell& cell, int row) override {
        EXPECT_EQ(static_cast<RowCell&>(cell).row, row);
        displayed.push_back(row);
    }
    void didSelectRow(TableView& table, int row) override {
        selected.push_back(row);
        EXPECT_TRUE(table.cellForRow(row)->isHighlighted());  // highlighted while it runs
    }
};

struct Scene {
    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 200, 400});
    std::shared_ptr<TableView> table = std::make_shared<TableView>(Rect{0, 0, 200, 300});
    std::shared_ptr<Source> source = std::make_shared<Source>();
    sim::TouchDriver finger{device, window};
    explicit Scene(double rowHeight = 50) {
        window->addSubview(table);
        table->registerCell("row", [] { return std::make_shared<RowCell>(); });
        table->setDataSource(source);
        table->setTableDelegate(source);
        table->setRowHeight(rowHeight);
        table->reloadData();
    }
    std::vector<int> visibleRows() const {
        std::vector<int> rows;
        for (const auto& [row, cell] : table->visibleCells()) {
            EXPECT_EQ(static_cast<RowCell&>(*cell).row, row);
            EXPECT_EQ(cell->frame(), table->rectForRow(row));
            rows.push_back(row);
        }
        return rows;
    }
};

TEST(TableViewTest, MakesCellsOnlyForVisibleRowsAndReusesThoseScrolledOut) {
    Scene s;
    EXPECT_EQ(s.visibleRows(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(s.table->contentSize(), (Size{200, 5000}));
    EXPECT_EQ(s.table->cellForRow(6), nullptr);

    // Scrolling the whole list, 25 points a step, never needs more than the visible rows + 1.
    for (double y = 0; y <= 4700; y += 25) s.table->setContentOffset({0, y});
    EXPECT_EQ(s.visibleRows(), (std::vector<int>{94, 95, 96, 97, 98, 99}));
    EXPECT_LE(s.table->createdCellCount(), 7);
    EXPECT_EQ(s.source->displayed.size(), 100u);  // every row displayed once, in order
    for (int r = 0; r < 100; ++r) EXPECT_EQ(s.source->displayed[static_cast<std::size_t>(r)], r);
    // Cells out of view wait in the pool; the shown ones were mostly handed out again.
    EXPECT_EQ(s.table->pooledCellCount() + s.table->visibleCells().size(),
              static_cast<std::size_t>(s.table->createdCellCount()));
    EXPECT_GT(static_cast<RowCell&>(*s.table->cellForRow(99)).reuses, 0);

    // A pan scrolls the same way.
    s.table->setContentOffset({0, 0});
    s.finger.drag({100, 280}, {100, 30});
    EXPECT_EQ(s.table->contentOffset(), (Point{0, 250}));
    EXPECT_EQ(s.visibleRows().front(), 5);

    // Fewer rows after a reload: the offset comes back within the content.
    s.source->rows = 3;
    s.table->reloadData();
    EXPECT_EQ(s.table->contentOffset(), (Point{0, 0}));
    EXPECT_EQ(s.visibleRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s.table->createdCellCount(), 7);
}

TEST(TableViewTest, SelfSizingRowsTakeTheirCellsHeightsAndMoveTheRowsBelow) {
    sim::SimPlatform device;
    auto table = std::make_shared<TableView>(Rect{0, 0, 200, 300});
    auto source = std::make_shared<Source>();
    source->rows = 20;
    source->heights = {{0, 100}, {1, 25}, {2, 140}};
    table->registerCell("row", [] { return std::make_shared<RowCell>(); });
    table->setDataSource(source);
    table->setTableDelegate(source);
    table->setRowHeight(TableView::kAutomaticDimension);
    table->setEstimatedRowHeight(80);
    table->reloadData();
    EXPECT_EQ(table->rectForRow(1), (Rect{0, 100, 200, 25}));
    EXPECT_EQ(table->rectForRow(2), (Rect{0, 125, 200, 140}));
    EXPECT_EQ(table->rectForRow(3), (Rect{0, 265, 200, 60}));
    EXPECT_EQ(table->rectForRow(4), (Rect{0, 325, 200, 80}));  // not shown yet: estimated
    EXPECT_EQ(table->visibleCells().size(), 4u);
    EXPECT_EQ(table->contentSize().height, 100 + 25 + 140 + 60 + 16 * 80);
    EXPECT_EQ(table->rowAtPoint({10, 124.9}), 1);
    EXPECT_EQ(table->rowAtPoint({10, 125}), 2);
    EXPECT_EQ(table->rowAtPoint({10, -1}), std::nullopt);

    // Switched off scrolling: every row is laid out, whatever the visible height.
    table->setScrollEnabled(false);
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), 20u);
    EXPECT_EQ(table->contentSize().height, 100 + 25 + 140 + 17 * 60);
}

TEST(TableViewTest, TapsSelectRowsButNotThroughPansOrButtons) {
    Scene s;
    s.finger.tapAt({50, 125});
    EXPECT_EQ(s.source->selected, (std::vector<int>{2}));
    EXPECT_EQ(s.table->selectedRow(), 2);
    EXPECT_TRUE(s.table->cellForRow(2)->isSelected());
    EXPECT_FALSE(s.table->cellForRow(2)->isHighlighted());
    s.table->deselectRow(2, true);
    EXPECT_FALSE(s.table->cellForRow(2)->isSelected());
    EXPECT_EQ(s.table->selectedRow(), std::nullopt);

    int buttonTaps = 0;
    auto cell = std::static_pointer_cast<RowCell>(s.table->cellForRow(1));
    cell->button->addAction(ControlEvent::touchUpInside, [&](Control&) { ++buttonTaps; });
    ASSERT_TRUE(s.finger.tap(*cell->button));
    EXPECT_EQ(buttonTaps, 1);
    s.finger.drag({50, 200}, {50, 100});  // a pan scrolls and selects nothing
    EXPECT_EQ(s.source->selected, (std::vector<int>{2}));

    // Selection by code follows the row into and out of view.
    s.table->setContentOffset({0, 0});
    s.table->selectRow(0);
    s.table->setContentOffset({0, 2000});
    s.table->setContentOffset({0, 0});
    EXPECT_TRUE(s.table->cellForRow(0)->isSelected());
    EXPECT_FALSE(s.table->cellForRow(1)->isSelected());
}

TEST(TableViewTest, UnregisteredIdentifierIsNamedOnTheConsole) {
    sim::SimPlatform device;
    device.context().console().startCapture();
    TableView table;
    EXPECT_EQ(table.dequeueReusableCell("nothing"), nullptr);
    EXPECT_EQ(
        device.context().console().lines(),
        (std::vector<std::string>{"TableView: no cell registered for identifier \"nothing\""}));
}

}  // namespace
}  // namespace arquorel
