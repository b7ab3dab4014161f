#pragma once
// A row of a TableView: a content view filling the cell, a separator line at its bottom, a
// reuse identifier and the selected and highlighted states. Subclasses put their views in
// contentView() and say how high they are for a width (self-sizing rows).

#include <memory>
#include <string>

#include "arquorel/platform/ui/View.h"

namespace arquorel {

class TableViewCell : public View {
  public:
    static constexpr double kDefaultHeight = 44;
    static constexpr double kSeparatorThickness = 0.5;

    explicit TableViewCell(std::string reuseIdentifier = {});

    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    const std::shared_ptr<View>& contentView() const { return contentView_; }

    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, bool animated = false);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted, bool animated = false);

    // Left and right inset of the separator line.
    const Insets& separatorInset() const { return separatorInset_; }
    void setSeparatorInset(const Insets& inset);
    const Insets& layoutMargins() const { return layoutMargins_; }
    void setLayoutMargins(const Insets& margins) { layoutMargins_ = margins; }
    bool preservesSuperviewLayoutMargins() const { return preservesMargins_; }
    void setPreservesSuperviewLayoutMargins(bool preserves) { preservesMargins_ = preserves; }
    const std::shared_ptr<View>& separatorView() const { return separator_; }

    // The height the cell needs at that width when the table sizes its rows by their content.
    // Default: kDefaultHeight.
    virtual double heightForWidth(double width) const;
    // Called when the table takes the cell out of its reuse pool to hand it out again.
    virtual void prepareForReuse() {}
    // One element reading the texts of its views; selected when selected.
    AccessibilityDefaults accessibilityDefaults() const override;

  protected:
    void layoutSubviews() override;

  private:
    std::string reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<View> separator_;
    Insets separatorInset_{0, 15, 0, 0};
    Insets layoutMargins_{8, 16, 8, 16};
    bool preservesMargins_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
};

}  // namespace arquorel
