#include "arquorel/platform/ui/TableView.h"

#include <algorithm>
#include <limits>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Control.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel {

TableView::TableView(Rect frame) : ScrollView(frame) {
    setIdentifier("tableView");
    tap_ =
        std::make_shared<TapGestureRecognizer>(GestureRecognizer::forView(&TableView::handleTap));
    // Buttons in cells keep their touches; the tap decides afterwards whose the touch was.
    tap_->setCancelsTouchesInView(false);
    addGestureRecognizer(tap_);
}

void TableView::setTableDelegate(std::weak_ptr<TableViewDelegate> delegate) {
    tableDelegate_ = delegate;
    setDelegate(std::move(delegate));
}

void TableView::setRowHeight(double height) {
    if (height == rowHeight_) return;
    rowHeight_ = height;
    if (loaded_) reloadData();
}

void TableView::registerCell(const std::string& identifier, CellFactory factory) {
    factories_[identifier] = std::move(factory);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier) {
    auto pool = pools_.find(identifier);
    if (pool != pools_.end() && !pool->second.empty()) {
        auto cell = std::move(pool->second.back());
        pool->second.pop_back();
        cell->prepareForReuse();
        return cell;
    }
    const auto factory = factories_.find(identifier);
    std::shared_ptr<TableViewCell> cell =
        factory != factories_.end() && factory->second ? factory->second() : nullptr;
    if (!cell) {
        platformContext().console().writeLine("TableView: no cell registered for identifier \"" +
                                              identifier + "\"");
        return nullptr;
    }
    ++created_;
    return cell;
}

std::size_t TableView::pooledCellCount() const {
    std::size_t n = 0;
    for (const auto& [id, pool] : pools_) n += pool.size();
    return n;
}

void TableView::enqueue(std::shared_ptr<TableViewCell> cell) {
    if (!cell) return;
    cell->removeFromSuperview();
    cell->setHighlighted(false);
    cell->setSelected(false);
    pools_[cell->reuseIdentifier()].push_back(std::move(cell));
}

void TableView::reloadData() {
    auto shown = std::move(visible_);
    visible_.clear();
    for (auto& [row, cell] : shown) enqueue(std::move(cell));
    selected_.reset();
    loaded_ = false;
    ensureHeights();
    if (isScrollEnabled()) {
        const Point high = maximumContentOffset();
        const Point at = contentOffset();
        if (at.y > high.y) setContentOffset({at.x, high.y});
    }
    layoutRows();
}

double TableView::heightOf(int row) {
    if (auto d = tableDelegate())
        if (auto h = d->heightForRow(*this, row)) return std::max(0.0, *h);
    return rowHeight_ == kAutomaticDimension ? estimatedRowHeight_ : std::max(0.0, rowHeight_);
}

void TableView::ensureHeights() {
    if (loaded_) return;
    loaded_ = true;
    const auto source = dataSource_.lock();
    rowCount_ = source ? std::max(0, source->numberOfRows(*this)) : 0;
    heights_.assign(static_cast<std::size_t>(rowCount_), 0);
    measured_.assign(static_cast<std::size_t>(rowCount_), false);
    for (int r = 0; r < rowCount_; ++r) heights_[static_cast<std::size_t>(r)] = heightOf(r);
    tops_.assign(static_cast<std::size_t>(rowCount_) + 1, 0);
    recomputeOffsets(0);
}

void TableView::recomputeOffsets(std::size_t from) {
    for (std::size_t r = from; r < heights_.size(); ++r) tops_[r + 1] = tops_[r] + heights_[r];
    setContentSize({bounds().width(), tops_.back()});
}

Rect TableView::rectForRow(int row) const {
    if (row < 0 || row >= rowCount_ || tops_.size() <= static_cast<std::size_t>(row)) return {};
    const auto r = static_cast<std::size_t>(row);
    return {0, tops_[r], bounds().width(), heights_[r]};
}

std::optional<int> TableView::rowAtPoint(Point point) const {
    if (rowCount_ == 0 || point.y < 0 || point.y >= tops_.back()) return std::nullopt;
    const auto it = std::upper_bound(tops_.begin(), tops_.end(), point.y);
    return static_cast<int>(it - tops_.begin()) - 1;
}

std::shared_ptr<TableViewCell> TableView::cellForRow(int row) const {
    const auto it = visible_.find(row);
    return it == visible_.end() ? nullptr : it->second;
}

void TableView::layoutSubviews() {
    ScrollView::layoutSubviews();
    layoutRows();
}

void TableView::didScroll() {
    layoutRows();
}

void TableView::layoutRows() {
    if (layingOut_) return;
    layingOut_ = true;
    ensureHeights();
    const double width = bounds().width();
    const bool automatic = rowHeight_ == kAutomaticDimension;
    if (width != laidOutWidth_) {
        laidOutWidth_ = width;
        std::fill(measured_.begin(), measured_.end(), false);
        setContentSize({width, tops_.back()});
    }
    const auto source = dataSource_.lock();
    const double top = isScrollEnabled() ? contentOffset().y : 0;
    const double bottom =
        isScrollEnabled() ? top + bounds().height() : std::numeric_limits<double>::infinity();

    // The rows that meet [top, bottom); heights measured on the way move the rows below.
    int first = 0;
    if (rowCount_ > 0) {
        const auto it = std::upper_bound(tops_.begin(), tops_.end() - 1, top);
        first = std::max(0, static_cast<int>(it - tops_.begin()) - 1);
    }
    // Cells that left the visible range go to their pools first, ready for the new rows.
    for (auto it = visible_.begin(); it != visible_.end();) {
        const auto r = static_cast<std::size_t>(it->first);
        const bool shown = it->first < rowCount_ && tops_[r + 1] > top && tops_[r] < bottom;
        if (shown) {
            ++it;
        } else {
            enqueue(std::move(it->second));
            it = visible_.erase(it);
        }
    }
    std::map<int, std::shared_ptr<TableViewCell>> next;
    for (int row = first; row < rowCount_ && tops_[static_cast<std::size_t>(row)] < bottom; ++row) {
        const auto r = static_cast<std::size_t>(row);
        auto node = visible_.extract(row);
        std::shared_ptr<TableViewCell> cell = node.empty() ? nullptr : std::move(node.mapped());
        const bool fresh = !cell;
        if (fresh && source) cell = source->cellForRow(*this, row);
        if (!cell) continue;
        if (automatic && !measured_[r]) {
            measured_[r] = true;
            const double h = std::max(0.0, cell->heightForWidth(width));
            if (h != heights_[r]) {
                heights_[r] = h;
                recomputeOffsets(r);
            }
        }
        cell->setFrame({0, tops_[r], width, heights_[r]});
        if (fresh) {
            cell->setSelected(selected_ == row);
            if (auto d = tableDelegate()) d->willDisplay(*this, *cell, row);
            contentView()->addSubview(cell);
        }
        cell->layoutIfNeeded();
        next.emplace(row, std::move(cell));
    }
    for (auto& [row, cell] : visible_) enqueue(std::move(cell));
    visible_ = std::move(next);
    layingOut_ = false;
}

void TableView::scrollToRow(int row) {
    if (row < 0 || row >= rowCount_) return;
    const Rect r = rectForRow(row);
    const double height = bounds().height();
    Point at = contentOffset();
    if (r.minY() < at.y || r.size.height > height)
        at.y = r.minY();
    else if (r.maxY() > at.y + height)
        at.y = r.maxY() - height;
    const Point low = minimumContentOffset();
    const Point high = maximumContentOffset();
    at.y = std::clamp(at.y, low.y, high.y);
    setContentOffset(at);
}

void TableView::selectRow(int row) {
    if (row < 0 || row >= rowCount_) return;
    if (selected_ && *selected_ != row)
        if (auto old = cellForRow(*selected_)) old->setSelected(false);
    selected_ = row;
    if (auto cell = cellForRow(row)) cell->setSelected(true);
}

void TableView::deselectRow(int row, bool animated) {
    if (selected_ != row) return;
    selected_.reset();
    if (auto cell = cellForRow(row)) cell->setSelected(false, animated);
}

void TableView::tapRow(int row) {
    if (row < 0 || row >= rowCount_) return;
    const auto cell = cellForRow(row);
    if (cell) cell->setHighlighted(true);
    selectRow(row);
    if (auto d = tableDelegate()) d->didSelectRow(*this, row);
    if (cell) cell->setHighlighted(false);
}

void TableView::handleTap(GestureRecognizer& recognizer) {
    if (recognizer.state() != GestureState::ended) return;
    // A tap that landed on a control inside a cell belongs to the control.
    if (const auto window = windowOf(*this))
        if (std::dynamic_pointer_cast<Control>(window->touchedView())) return;
    const Point p = recognizer.locationInView(contentView().get());
    if (const auto row = rowAtPoint(p)) tapRow(*row);
}

}  // namespace arquorel
