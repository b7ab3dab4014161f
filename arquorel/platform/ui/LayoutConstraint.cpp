#include "arquorel/platform/ui/LayoutConstraint.h"

#include <array>

#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {

double valueOf(const Rect& r, LayoutAttribute a) {
    switch (a) {
        case LayoutAttribute::left:
            return r.x();
        case LayoutAttribute::right:
            return r.x() + r.width();
        case LayoutAttribute::top:
            return r.y();
        case LayoutAttribute::bottom:
            return r.y() + r.height();
        case LayoutAttribute::width:
            return r.width();
        case LayoutAttribute::height:
            return r.height();
        case LayoutAttribute::centerX:
            return r.midX();
        case LayoutAttribute::centerY:
            return r.midY();
    }
    return 0;
}

// One axis from what the constraints ask: size from a size constraint or two edges, position
// from the leading edge, the trailing edge or the centre.
void resolve(double& position, double& size, const std::optional<double>& lead,
             const std::optional<double>& trail, const std::optional<double>& length,
             const std::optional<double>& centre) {
    if (length) {
        size = *length;
    } else if (lead && trail) {
        size = *trail - *lead;
    }
    if (lead) {
        position = *lead;
    } else if (trail) {
        position = *trail - size;
    } else if (centre) {
        position = *centre - size / 2;
    }
}

}  // namespace

std::shared_ptr<LayoutConstraint> LayoutConstraint::make(const std::shared_ptr<View>& first,
                                                         LayoutAttribute attribute,
                                                         const std::shared_ptr<View>& second,
                                                         LayoutAttribute secondAttribute,
                                                         double constant, double multiplier) {
    std::shared_ptr<LayoutConstraint> c(new LayoutConstraint);
    c->first_ = first;
    c->attribute_ = attribute;
    c->second_ = second;
    c->hasSecond_ = second != nullptr;
    c->secondAttribute_ = secondAttribute;
    c->constant_ = constant;
    c->multiplier_ = multiplier;
    return c;
}

std::shared_ptr<LayoutConstraint> LayoutConstraint::make(const std::shared_ptr<View>& first,
                                                         LayoutAttribute attribute,
                                                         double constant) {
    return make(first, attribute, nullptr, attribute, constant, 1);
}

void LayoutConstraint::markLayout() const {
    if (auto first = first_.lock()) {
        if (auto parent = first->superview()) parent->setNeedsLayout();
    }
}

void LayoutConstraint::setConstant(double constant) {
    if (constant == constant_) return;
    constant_ = constant;
    if (active_) markLayout();
}

void LayoutConstraint::setActive(bool active) {
    auto first = first_.lock();
    if (active == active_ || !first) return;
    active_ = active;
    auto& list = first->constraints_;
    if (active) {
        list.push_back(shared_from_this());
    } else {
        std::erase_if(list, [this](const auto& c) { return c.get() == this; });
    }
    markLayout();
}

void LayoutConstraint::activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints) {
    for (const auto& c : constraints)
        if (c) c->setActive(true);
}

std::optional<double> LayoutConstraint::target() const {
    auto first = first_.lock();
    if (!first) return std::nullopt;
    if (!hasSecond_) return constant_;
    auto second = second_.lock();
    auto parent = first->superview();
    if (!second || !parent) return std::nullopt;
    Rect rect;
    if (second == parent) {
        rect = parent->bounds();
    } else if (second->superview() == parent) {
        rect = second->frame();
    } else {
        return std::nullopt;
    }
    return valueOf(rect, secondAttribute_) * multiplier_ + constant_;
}

std::vector<std::shared_ptr<LayoutConstraint>> pinEdges(const std::shared_ptr<View>& view,
                                                        Insets insets) {
    auto parent = view ? view->superview() : nullptr;
    if (!parent) return {};
    using A = LayoutAttribute;
    std::vector<std::shared_ptr<LayoutConstraint>> pins{
        LayoutConstraint::make(view, A::top, parent, A::top, insets.top),
        LayoutConstraint::make(view, A::left, parent, A::left, insets.left),
        LayoutConstraint::make(view, A::bottom, parent, A::bottom, -insets.bottom),
        LayoutConstraint::make(view, A::right, parent, A::right, -insets.right)};
    LayoutConstraint::activate(pins);
    return pins;
}

void applyConstraints(View& container) {
    const auto subviews = container.subviews();
    for (const auto& view : subviews) {
        const auto& constraints = view->constraints();
        if (constraints.empty()) continue;
        std::array<std::optional<double>, 8> wanted;
        for (const auto& c : constraints) {
            if (auto value = c->target())
                wanted[static_cast<std::size_t>(c->firstAttribute())] = value;
        }
        auto at = [&](LayoutAttribute a) { return wanted[static_cast<std::size_t>(a)]; };
        using A = LayoutAttribute;
        Rect f = view->frame();
        resolve(f.origin.x, f.size.width, at(A::left), at(A::right), at(A::width), at(A::centerX));
        resolve(f.origin.y, f.size.height, at(A::top), at(A::bottom), at(A::height),
                at(A::centerY));
        view->setFrame(f);
    }
}

}  // namespace arquorel
