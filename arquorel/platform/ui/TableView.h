#pragma once
// A scrolling list of rows in one section. The data source says how many rows there are and
// makes the cell of a row; the table asks only for the rows that are visible and, when a cell
// scrolls out, puts it in the reuse pool of its identifier, from which dequeueReusableCell()
// hands it out again. Rows are either all rowHeight() high or, with kAutomaticDimension, as
// high as their cells say (heightForWidth): a row not yet shown counts as estimatedRowHeight()
// until its cell is made. With scrolling switched off every row is laid out at once and the
// content decides the table's height (see contentSize()).
//
// A tap on a row highlights it while the selection runs, selects it and tells the delegate;
// a pan scrolls instead.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/ui/ScrollView.h"
#include "arquorel/platform/ui/TableViewCell.h"

namespace arquorel {

class TableView;

class TableViewDataSource {
  public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfRows(TableView& tableView) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRow(TableView& tableView, int row) = 0;
};

class TableViewDelegate : public ScrollViewDelegate {
  public:
    // The row's height; none: the table's rowHeight().
    virtual std::optional<double> heightForRow(TableView& /*tableView*/, int /*row*/) {
        return std::nullopt;
    }
    virtual void willDisplay(TableView& /*tableView*/, TableViewCell& /*cell*/, int /*row*/) {}
    virtual void didSelectRow(TableView& /*tableView*/, int /*row*/) {}
};

class TableView : public ScrollView {
  public:
    static constexpr double kAutomaticDimension = -1;
    using CellFactory = std::function<std::shared_ptr<TableViewCell>()>;

    explicit TableView(Rect frame = {});

    void setDataSource(std::weak_ptr<TableViewDataSource> source) {
        dataSource_ = std::move(source);
    }
    void setTableDelegate(std::weak_ptr<TableViewDelegate> delegate);
    std::shared_ptr<TableViewDelegate> tableDelegate() const { return tableDelegate_.lock(); }

    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height);
    double estimatedRowHeight() const { return estimatedRowHeight_; }
    void setEstimatedRowHeight(double height) { estimatedRowHeight_ = height; }

    // How new cells of an identifier are made.
    void registerCell(const std::string& identifier, CellFactory factory);
    // A cell of that identifier from its reuse pool (prepared for reuse) or newly made; none,
    // with one console line, for an identifier that was never registered.
    std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier);

    // Forgets every cell shown and every measured height, asks for the row count again and
    // lays out the visible rows.
    void reloadData();
    int numberOfRows() const { return rowCount_; }
    // The cell shown for a row; none when the row is not visible.
    std::shared_ptr<TableViewCell> cellForRow(int row) const;
    // The shown cells, by row.
    const std::map<int, std::shared_ptr<TableViewCell>>& visibleCells() const { return visible_; }
    // The row's rectangle in content coordinates; empty for a row that does not exist.
    Rect rectForRow(int row) const;
    // The row at a point in content coordinates.
    std::optional<int> rowAtPoint(Point point) const;
    // Scrolls as little as needed to show the whole row (or its top when it is taller).
    void scrollToRow(int row);

    // Selection: selecting by code does not tell the delegate.
    void selectRow(int row);
    void deselectRow(int row, bool animated);
    std::optional<int> selectedRow() const { return selected_; }
    // What a tap on the row does: highlight, select, tell the delegate, end the highlight.
    void tapRow(int row);

    // Cells made by the factories since the table was created.
    int createdCellCount() const { return created_; }
    // Cells waiting in the reuse pools.
    std::size_t pooledCellCount() const;

  protected:
    void layoutSubviews() override;
    void didScroll() override;

  private:
    void ensureHeights();
    void recomputeOffsets(std::size_t from);
    void layoutRows();
    void enqueue(std::shared_ptr<TableViewCell> cell);
    void handleTap(GestureRecognizer& recognizer);
    double heightOf(int row);

    std::weak_ptr<TableViewDataSource> dataSource_;
    std::weak_ptr<TableViewDelegate> tableDelegate_;
    std::map<std::string, CellFactory> factories_;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> pools_;
    std::map<int, std::shared_ptr<TableViewCell>> visible_;
    std::shared_ptr<TapGestureRecognizer> tap_;
    std::vector<double> heights_;  // per row
    std::vector<bool> measured_;   // per row: the height came from its cell
    std::vector<double> tops_;     // per row, plus the total at the end
    double rowHeight_ = TableViewCell::kDefaultHeight;
    double estimatedRowHeight_ = TableViewCell::kDefaultHeight;
    double laidOutWidth_ = -1;
    int rowCount_ = 0;
    bool loaded_ = false;
    bool layingOut_ = false;
    std::optional<int> selected_;
    int created_ = 0;
};

}  // namespace arquorel
