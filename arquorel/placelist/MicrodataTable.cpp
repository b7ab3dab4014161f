#include "arquorel/placelist/MicrodataTable.h"

#include "arquorel/placelist/MicrodataCell.h"

namespace arquorel {

MicrodataTable::MicrodataTable(std::vector<MicrodataFact> facts, Rect frame)
    : View(frame), facts_(std::move(facts)) {
    setIdentifier("mixroTableview");
    setClipsToBounds(true);
}

std::shared_ptr<MicrodataTable> MicrodataTable::create(const QuorelProperty& place, Rect frame) {
    const auto entries = place.microDataEntries();
    auto table = std::make_shared<MicrodataTable>(
        entries ? microdataFacts(*entries) : std::vector<MicrodataFact>{}, frame);
    if (frame.height() <= 0)
        table->setFrame({frame.origin, {frame.width(), table->contentHeight()}});
    return table;
}

double MicrodataTable::contentHeight() const {
    return MicrodataCell::kRowHeight * static_cast<double>(facts_.size());
}

std::shared_ptr<MicrodataCell> MicrodataTable::cellForRow(int row) {
    if (row < 0 || row >= numberOfRows()) return nullptr;
    if (auto it = cells_.find(row); it != cells_.end()) return it->second;
    auto cell = MicrodataCell::create(bounds().width());
    cell->data = facts_[static_cast<std::size_t>(row)];
    cells_[row] = cell;
    addSubview(cell);
    cell->setFrame(
        {0, MicrodataCell::kRowHeight * row, bounds().width(), MicrodataCell::kRowHeight});
    cell->configure();
    return cell;
}

void MicrodataTable::layoutSubviews() {
    for (int row = 0; row < numberOfRows(); ++row) {
        auto cell = cellForRow(row);
        cell->setFrame(
            {0, MicrodataCell::kRowHeight * row, bounds().width(), MicrodataCell::kRowHeight});
    }
}

}  // namespace arquorel
