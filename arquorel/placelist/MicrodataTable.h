#pragma once
// The micro-data table of a place: one 50-point row (MicrodataCell) per fact, all laid out at
// once one under the other (it never scrolls by itself; the screen around it does). A row is
// made and configured the first time it is asked for and kept for the life of the table.

#include <map>
#include <memory>
#include <vector>

#include "arquorel/places/MicrodataFact.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class MicrodataCell;

class MicrodataTable : public View {
  public:
    explicit MicrodataTable(std::vector<MicrodataFact> facts, Rect frame = {});
    // The table of a place's micro-data: no rows when it has none, it is not JSON (one console
    // line) or its top level is not an array; malformed entries are left out before counting.
    static std::shared_ptr<MicrodataTable> create(const QuorelProperty& place, Rect frame = {});

    const std::vector<MicrodataFact>& microData() const { return facts_; }
    int numberOfRows() const { return static_cast<int>(facts_.size()); }
    // The height the table needs: 50 points a row.
    double contentHeight() const;
    // The row's cell, made and configured on first use; the same object afterwards. None for a
    // row out of range.
    std::shared_ptr<MicrodataCell> cellForRow(int row);
    const std::map<int, std::shared_ptr<MicrodataCell>>& microCells() const { return cells_; }

  protected:
    void layoutSubviews() override;

  private:
    std::vector<MicrodataFact> facts_;
    std::map<int, std::shared_ptr<MicrodataCell>> cells_;
};

}  // namespace arquorel
