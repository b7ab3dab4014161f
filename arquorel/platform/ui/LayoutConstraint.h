#pragma once
// Simple layout constraints: an edge, centre or size of a view equals an attribute of its
// superview or of a sibling (times a multiplier) plus a constant, or a plain constant. No
// solver: when the superview lays out, each subview takes, per axis, its size from a size
// constraint or from two pinned edges, and its position from an edge or its centre. Changing a
// constant marks the superview for layout, so
//     constraint->setConstant(60);
//     View::animate(0.2, [&] { container->layoutIfNeeded(); });
// records the resulting frame change as an animation.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class View;

enum class LayoutAttribute { left, right, top, bottom, width, height, centerX, centerY };

class LayoutConstraint : public std::enable_shared_from_this<LayoutConstraint> {
  public:
    // first.attribute = second.secondAttribute × multiplier + constant (inactive until
    // activated). `second` must be the first view's superview or a sibling.
    static std::shared_ptr<LayoutConstraint> make(const std::shared_ptr<View>& first,
                                                  LayoutAttribute attribute,
                                                  const std::shared_ptr<View>& second,
                                                  LayoutAttribute secondAttribute,
                                                  double constant = 0, double multiplier = 1);
    // first.attribute = constant (a fixed width or height, or a position in the superview).
    static std::shared_ptr<LayoutConstraint> make(const std::shared_ptr<View>& first,
                                                  LayoutAttribute attribute, double constant);

    double constant() const { return constant_; }
    void setConstant(double constant);
    double multiplier() const { return multiplier_; }
    bool isActive() const { return active_; }
    void setActive(bool active);
    static void activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints);

    // A name to find it by ("hintLabelConst").
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }

    std::shared_ptr<View> firstItem() const { return first_.lock(); }
    LayoutAttribute firstAttribute() const { return attribute_; }
    std::shared_ptr<View> secondItem() const { return second_.lock(); }
    LayoutAttribute secondAttribute() const { return secondAttribute_; }

    // The value asked for the first view's attribute, in its superview's bounds coordinates;
    // none when the second view is neither that superview nor a sibling.
    std::optional<double> target() const;

  private:
    LayoutConstraint() = default;
    void markLayout() const;

    std::weak_ptr<View> first_;
    LayoutAttribute attribute_ = LayoutAttribute::left;
    std::weak_ptr<View> second_;
    bool hasSecond_ = false;
    LayoutAttribute secondAttribute_ = LayoutAttribute::left;
    double constant_ = 0;
    double multiplier_ = 1;
    bool active_ = false;
    std::string identifier_;
};

// Pins the view's four edges to its superview's, inset by `insets`; the constraints are active
// and returned in the order top, left, bottom, right.
std::vector<std::shared_ptr<LayoutConstraint>> pinEdges(const std::shared_ptr<View>& view,
                                                        Insets insets = {});

// Sets the frames of the container's subviews from their active constraints. View's layout
// pass runs it before layoutSubviews().
void applyConstraints(View& container);

}  // namespace arquorel
