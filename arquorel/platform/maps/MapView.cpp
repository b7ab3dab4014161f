#include "arquorel/platform/maps/MapView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/Path.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/Label.h"

namespace arquorel {

namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr double kMetresPerDegreeLatitude = 110'574;
constexpr double kMetresPerDegreeLongitudeAtEquator = 111'320;

double metresPerDegreeLongitude(double latitude) {
    return std::max(std::cos(latitude * kDegree), 1e-6) * kMetresPerDegreeLongitudeAtEquator;
}

struct KindStyle {
    Color fill;
    Color stroke;
    double metres;   // line width on the ground (lines), 0: a hairline of `minimum` points
    double minimum;  // points
    double maximum;  // points
    bool dashed = false;
};

constexpr Color rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0, 1};
}
constexpr Color kNone{0, 0, 0, 0};
constexpr Color kPinRed{0.86, 0.2, 0.2, 1};
constexpr double kCalloutGap = 4;      // points between a callout and its pin
constexpr double kCalloutInset = 4;    // points kept between a callout and the map's edges
constexpr double kCalloutPadding = 8;  // points around the callout's text
constexpr double kClusterSize = 26;    // the smallest cluster's diameter

// The map a recogniser's action works on, if it is still there.
std::shared_ptr<MapView> mapOf(const std::weak_ptr<View>& weak) {
    return std::static_pointer_cast<MapView>(weak.lock());
}

// The map's look, by kind; drawn in this order, so that the sea lies under everything, roads
// over parks and water, and footways over roads.
constexpr std::array<MapFeatureKind, kMapFeatureKinds> kDrawOrder = {
    MapFeatureKind::sea,       MapFeatureKind::park,      MapFeatureKind::water,
    MapFeatureKind::coastline, MapFeatureKind::building,  MapFeatureKind::minorRoad,
    MapFeatureKind::road,      MapFeatureKind::majorRoad, MapFeatureKind::footway};

KindStyle styleOf(MapFeatureKind kind, MapType type) {
    const bool hybrid = type == MapType::hybrid;
    switch (kind) {
        case MapFeatureKind::park:
            return {hybrid ? rgb(74, 102, 64) : rgb(200, 230, 176), kNone, 0, 0, 0};
        case MapFeatureKind::water:
        case MapFeatureKind::sea:
            return {hybrid ? rgb(40, 70, 96) : rgb(170, 211, 223), kNone, 0, 0, 0};
        case MapFeatureKind::coastline:
            return {kNone, hybrid ? rgb(90, 130, 150) : rgb(127, 180, 200), 2, 1, 3};
        case MapFeatureKind::building:
            return {hybrid ? rgb(96, 92, 88) : rgb(217, 208, 201),
                    hybrid ? rgb(70, 66, 62) : rgb(196, 184, 174), 0, 0.5, 0.5};
        case MapFeatureKind::minorRoad:
            return {kNone, hybrid ? rgb(200, 200, 200) : rgb(255, 255, 255), 7, 1, 12};
        case MapFeatureKind::road:
            return {kNone, rgb(252, 214, 138), 10, 1.5, 16};
        case MapFeatureKind::majorRoad:
            return {kNone, rgb(249, 178, 122), 14, 2, 20};
        case MapFeatureKind::footway:
            return {kNone, rgb(224, 138, 122), 1.5, 1, 3, true};
    }
    return {};
}

}  // namespace

MapCamera MapCamera::lookingAt(const Coordinate& center, const Coordinate& eye, double altitude) {
    MapCamera camera{center, altitude, 0};
    const double north = (center.latitude - eye.latitude) * kMetresPerDegreeLatitude;
    const double east =
        (center.longitude - eye.longitude) * metresPerDegreeLongitude(center.latitude);
    if (std::hypot(north, east) > 1) {
        camera.heading = std::atan2(east, north) / kDegree;
        if (camera.heading < 0) camera.heading += 360;
    }
    return camera;
}

MapRegion regionAround(const MapBox& box, double margin) {
    return {{(box.southWest.latitude + box.northEast.latitude) / 2,
             (box.southWest.longitude + box.northEast.longitude) / 2},
            (box.northEast.latitude - box.southWest.latitude) * margin,
            (box.northEast.longitude - box.southWest.longitude) * margin};
}

MapBox MapPolyline::boundingBox() const {
    return boxAround(points);
}

MapAnnotationView::MapAnnotationView(std::shared_ptr<MapAnnotation> annotation,
                                     std::string reuseIdentifier)
    : ImageView(Rect{0, 0, 30, 30}),
      annotation_(std::move(annotation)),
      reuseIdentifier_(std::move(reuseIdentifier)) {
    setContentMode(ContentMode::scaleAspectFit);
}

AccessibilityDefaults MapAnnotationView::accessibilityDefaults() const {
    AccessibilityDefaults d;
    d.isElement = annotation_ && !annotation_->title.empty();
    d.label = annotation_ ? annotation_->title : std::string();
    d.traits = tapsSelect_ ? AccessibilityTrait::button : AccessibilityTrait::image;
    return d;
}

void MapAnnotationView::describe(ViewDescription& description) const {
    ImageView::describe(description);
    description.add("reuse", reuseIdentifier_);
    if (annotation_ && !annotation_->title.empty()) description.add("title", annotation_->title);
}

MapView::MapView(Rect frame) : View(frame) {
    setClipsToBounds(true);
    setIdentifier("map");
    auto attribution = std::make_shared<Label>();
    attribution->setIdentifier("mapAttribution");
    attribution->setText("\xC2\xA9 OpenStreetMap contributors");
    attribution->setFont(Font::system(8));
    attribution->setTextColor(Color{0.2, 0.2, 0.2, 1});
    attribution->setBackgroundColor(Color{1, 1, 1, 0.6});
    attribution->setUserInteractionEnabled(false);
    addSubview(attribution);
    // The gestures reach the map through the view they are attached to, never a raw pointer.
    const auto onMap = [](auto handler) {
        return [handler](GestureRecognizer& r) {
            if (auto map = std::dynamic_pointer_cast<MapView>(r.view())) handler(*map, r);
        };
    };
    addGestureRecognizer(
        std::make_shared<PanGestureRecognizer>(onMap([](MapView& map, GestureRecognizer& r) {
            map.panned(static_cast<PanGestureRecognizer&>(r));
        })));
    addGestureRecognizer(
        std::make_shared<PinchGestureRecognizer>(onMap([](MapView& map, GestureRecognizer& r) {
            map.pinched(static_cast<PinchGestureRecognizer&>(r));
        })));
    addGestureRecognizer(std::make_shared<TapGestureRecognizer>(
        onMap([](MapView& map, GestureRecognizer& r) { map.tapped(r); })));
}

MapView::~MapView() = default;

void MapView::setUserLocation(std::optional<Location> location) {
    if (!location || !isValid(location->coordinate)) {
        user_.reset();
    } else {
        if (!user_) user_ = std::make_shared<UserLocationAnnotation>();
        user_->coordinate = location->coordinate;
    }
    contentChanged();
    setNeedsLayout();
}

void MapView::setCamera(const MapCamera& camera, bool) {
    if (!isValid(camera.centerCoordinate) || !std::isfinite(camera.altitude) ||
        !std::isfinite(camera.heading))
        return;
    const MapCamera before = camera_;
    camera_ = camera;
    camera_.altitude = std::clamp(camera.altitude, kMinimumAltitude, kMaximumAltitude);
    camera_.heading = std::fmod(camera.heading, 360.0);
    if (camera_.heading < 0) camera_.heading += 360;
    // Moving the centre at the same altitude and heading only pans what is drawn; the anchor
    // is kept near, so that offsets keep their precision.
    const Point anchor = convert(panAnchor_);
    const bool pan = camera_.altitude == before.altitude && camera_.heading == before.heading &&
                     std::fabs(anchor.x) < 4096 && std::fabs(anchor.y) < 4096;
    if (pan)
        setNeedsDisplay();
    else
        contentChanged();
    setNeedsLayout();
}

double MapView::metresPerPoint() const {
    const double h = bounds().height();
    return camera_.altitude * kGroundPerAltitude / (h > 0 ? h : 1);
}

MapRegion MapView::region() const {
    const double mpp = metresPerPoint();
    return {camera_.centerCoordinate, bounds().height() * mpp / kMetresPerDegreeLatitude,
            bounds().width() * mpp / metresPerDegreeLongitude(camera_.centerCoordinate.latitude)};
}

void MapView::setRegion(const MapRegion& region, bool animated) {
    if (!isValid(region.center) || !(region.latitudeDelta >= 0) || !(region.longitudeDelta >= 0))
        return;
    const double w = std::max(bounds().width(), 1.0), h = std::max(bounds().height(), 1.0);
    const double mpp =
        std::max(region.latitudeDelta * kMetresPerDegreeLatitude / h,
                 region.longitudeDelta * metresPerDegreeLongitude(region.center.latitude) / w);
    setCamera({region.center, mpp * h / kGroundPerAltitude, camera_.heading}, animated);
}

Point MapView::convert(const Coordinate& c) const {
    const Coordinate& o = camera_.centerCoordinate;
    const double east = (c.longitude - o.longitude) * metresPerDegreeLongitude(o.latitude);
    const double north = (c.latitude - o.latitude) * kMetresPerDegreeLatitude;
    const double s = std::sin(camera_.heading * kDegree), k = std::cos(camera_.heading * kDegree);
    const double x = east * k - north * s, y = east * s + north * k;
    const double mpp = metresPerPoint();
    return {bounds().width() / 2 + x / mpp, bounds().height() / 2 - y / mpp};
}

Coordinate MapView::convert(Point p) const {
    const Coordinate& o = camera_.centerCoordinate;
    const double mpp = metresPerPoint();
    const double x = (p.x - bounds().width() / 2) * mpp, y = (bounds().height() / 2 - p.y) * mpp;
    const double s = std::sin(camera_.heading * kDegree), k = std::cos(camera_.heading * kDegree);
    const double east = x * k + y * s, north = -x * s + y * k;
    return {o.latitude + north / kMetresPerDegreeLatitude,
            o.longitude + east / metresPerDegreeLongitude(o.latitude)};
}

MapBox MapView::coordinatesIn(const Rect& b) const {
    MapBox box{convert(b.origin), convert(b.origin)};
    for (const Point p :
         {Point{b.maxX(), b.minY()}, Point{b.minX(), b.maxY()}, Point{b.maxX(), b.maxY()}}) {
        const Coordinate c = convert(p);
        box.southWest = {std::min(box.southWest.latitude, c.latitude),
                         std::min(box.southWest.longitude, c.longitude)};
        box.northEast = {std::max(box.northEast.latitude, c.latitude),
                         std::max(box.northEast.longitude, c.longitude)};
    }
    return box;
}

// ---- Annotations and overlays ----

std::shared_ptr<MapAnnotationView> MapView::makeView(
    const std::shared_ptr<MapAnnotation>& annotation) {
    std::shared_ptr<MapAnnotationView> view;
    if (auto d = delegate()) view = d->viewForAnnotation(*this, annotation);
    if (!view) {
        // The default pin: a red dot with a white ring.
        view = dequeueReusableAnnotationView("pin");
        if (!view) view = std::make_shared<MapAnnotationView>(annotation, "pin");
        view->setFrame({0, 0, 14, 14});
        view->setBackgroundColor(kPinRed);
        view->layer().cornerRadius = 7;
        view->layer().borderWidth = 2;
        view->layer().borderColor = Color::white();
        view->canShowCallout = true;
    }
    view->setAnnotation(annotation);
    return view;
}

void MapView::addAnnotation(std::shared_ptr<MapAnnotation> annotation) {
    if (!annotation) return;
    annotations_.push_back(annotation);
    auto view = makeView(annotation);
    views_.push_back(view);
    addSubview(view);
    setNeedsLayout();
}

void MapView::addAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations) {
    for (const auto& a : annotations) addAnnotation(a);
}

void MapView::removeAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations) {
    for (const auto& a : annotations) {
        for (std::size_t i = 0; i < annotations_.size(); ++i) {
            if (annotations_[i] != a) continue;
            if (selected_ == a) deselectAnnotation();
            views_[i]->removeFromSuperview();
            views_[i]->setAnnotation(nullptr);
            reusable_.push_back(views_[i]);
            annotations_.erase(annotations_.begin() + static_cast<std::ptrdiff_t>(i));
            views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
}

std::shared_ptr<MapAnnotationView> MapView::dequeueReusableAnnotationView(const std::string& id) {
    const auto it = std::find_if(reusable_.begin(), reusable_.end(),
                                 [&](const auto& v) { return v->reuseIdentifier() == id; });
    if (it == reusable_.end()) return nullptr;
    auto view = *it;
    reusable_.erase(it);
    return view;
}

std::shared_ptr<MapAnnotationView> MapView::viewFor(const MapAnnotation& annotation) const {
    for (std::size_t i = 0; i < annotations_.size(); ++i)
        if (annotations_[i].get() == &annotation) return views_[i];
    return nullptr;
}

// ---- Callouts ----

void MapView::selectAnnotation(const std::shared_ptr<MapAnnotation>& annotation) {
    if (!annotation || !viewFor(*annotation)) return;
    selected_ = annotation;
    setNeedsLayout();
}

void MapView::deselectAnnotation() {
    selected_.reset();
    setNeedsLayout();
}

std::shared_ptr<Label> MapView::callout() const {
    return callout_ && !callout_->isHidden() ? callout_ : nullptr;
}

void MapView::pinTapped(const std::shared_ptr<MapAnnotation>& annotation) {
    if (selected_ == annotation)
        deselectAnnotation();
    else
        selectAnnotation(annotation);
    layoutIfNeeded();
}

void MapView::placeCallout() {
    const auto view = selected_ ? viewFor(*selected_) : nullptr;
    if (!view || view->isHidden() || !view->canShowCallout || selected_->title.empty()) {
        if (callout_) callout_->setHidden(true);
        return;
    }
    if (!callout_) {
        callout_ = std::make_shared<Label>();
        callout_->setIdentifier("mapCallout");
        callout_->setFont(Font::system(13));
        callout_->setTextColor(Color::black());
        callout_->setTextAlignment(TextAlignment::center);
        callout_->setLineBreakMode(LineBreakMode::truncateTail);
        callout_->setBackgroundColor(Color::white());
        callout_->layer().cornerRadius = 8;
        callout_->layer().shadowOpacity = 0.3;
        callout_->layer().shadowRadius = 4;
        callout_->layer().shadowOffset = {0, 2};
        callout_->setUserInteractionEnabled(true);
        // A tap on the callout closes it.
        const std::weak_ptr<View> weak = weak_from_this();
        callout_->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([weak](auto&) {
            if (const auto map = mapOf(weak)) {
                map->deselectAnnotation();
                map->layoutIfNeeded();
            }
        }));
        addSubview(callout_);
    }
    callout_->setText(selected_->title);
    callout_->setHidden(false);
    // As wide as its text, at most the map's width; above the pin, or below it near the top.
    const Rect b = bounds();
    const double widest = std::max(b.width() - 2 * kCalloutInset, 1.0);
    const Size text = callout_->sizeThatFits({widest - 2 * kCalloutPadding, 1000});
    const double w = std::min(text.width + 2 * kCalloutPadding, widest);
    const double h = text.height + kCalloutPadding;
    const Rect pin = view->frame();
    const double x = std::clamp(pin.midX() - w / 2, kCalloutInset, b.width() - kCalloutInset - w);
    double y = pin.minY() - kCalloutGap - h;
    if (y < kCalloutInset) y = pin.maxY() + kCalloutGap;
    callout_->setFrame({x, y, w, h});
    bringSubviewToFront(*callout_);
}

// ---- Clusters ----

std::shared_ptr<Label> MapView::clusterView(std::size_t index) const {
    return index < clusters_.size() ? clusterViews_[index] : nullptr;
}

void MapView::clusterTapped(std::size_t index) {
    if (index >= clusters_.size()) return;
    const auto members = clusters_[index].members;
    showAnnotations(members, true);
    layoutIfNeeded();
}

// Groups the pins on the screen: each pin joins the nearest group whose first pin is within
// the cluster distance, else starts one. Looking only at neighbouring cells of that size keeps
// it linear in the number of pins.
void MapView::groupViews() {
    clusters_.clear();
    if (clusterDistance <= 0 && clusterViews_.empty()) return;
    std::vector<bool> grouped(views_.size());
    if (clusterDistance > 0) {
        const double d = clusterDistance, w = bounds().width(), h = bounds().height();
        struct Group {
            Point seed;
            Point sum;
            std::vector<std::size_t> members;
        };
        std::vector<Group> groups;
        std::map<std::pair<long long, long long>, std::vector<std::size_t>> cells;
        for (std::size_t i = 0; i < annotations_.size(); ++i) {
            const Point p = convert(annotations_[i]->coordinate);
            // Pins well off the screen are left alone.
            if (!(p.x >= -d && p.x <= w + d && p.y >= -d && p.y <= h + d)) continue;
            const auto cx = static_cast<long long>(std::floor(p.x / d));
            const auto cy = static_cast<long long>(std::floor(p.y / d));
            std::optional<std::size_t> best;
            double nearest = d;
            for (long long dx = -1; dx <= 1; ++dx)
                for (long long dy = -1; dy <= 1; ++dy) {
                    const auto it = cells.find({cx + dx, cy + dy});
                    if (it == cells.end()) continue;
                    for (const std::size_t g : it->second) {
                        const double away =
                            std::hypot(p.x - groups[g].seed.x, p.y - groups[g].seed.y);
                        if (away < nearest) {
                            nearest = away;
                            best = g;
                        }
                    }
                }
            if (best) {
                Group& g = groups[*best];
                g.members.push_back(i);
                g.sum = {g.sum.x + p.x, g.sum.y + p.y};
            } else {
                cells[{cx, cy}].push_back(groups.size());
                groups.push_back({p, p, {i}});
            }
        }
        for (const Group& g : groups) {
            if (g.members.size() < 2) continue;
            const double n = static_cast<double>(g.members.size());
            Cluster cluster{{g.sum.x / n, g.sum.y / n}, {}};
            for (const std::size_t i : g.members) {
                cluster.members.push_back(annotations_[i]);
                grouped[i] = true;
            }
            clusters_.push_back(std::move(cluster));
        }
    }
    for (std::size_t i = 0; i < views_.size(); ++i) views_[i]->setHidden(grouped[i]);

    const std::weak_ptr<View> weak = weak_from_this();
    while (clusterViews_.size() < clusters_.size()) {
        auto view = std::make_shared<Label>();
        view->setIdentifier("mapCluster");
        view->setFont(Font::boldSystem(13));
        view->setTextColor(Color::white());
        view->setTextAlignment(TextAlignment::center);
        view->setBackgroundColor(kPinRed);
        view->layer().borderWidth = 2;
        view->layer().borderColor = Color::white();
        view->setUserInteractionEnabled(true);
        const std::size_t index = clusterViews_.size();
        view->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([weak, index](auto&) {
            if (const auto map = mapOf(weak)) map->clusterTapped(index);
        }));
        addSubview(view);
        clusterViews_.push_back(std::move(view));
    }
    for (std::size_t k = 0; k < clusterViews_.size(); ++k) {
        Label& view = *clusterViews_[k];
        view.setHidden(k >= clusters_.size());
        if (k >= clusters_.size()) continue;
        view.setText(std::to_string(clusters_[k].members.size()));
        // Read as "12 places: Casino de Monte Carlo, Café de Paris, ..." (a tap zooms in).
        std::string reading = view.text() + " " + localized("a11yPlaces") + ":";
        for (std::size_t m = 0; m < clusters_[k].members.size() && m < 3; ++m)
            if (clusters_[k].members[m])
                reading += (m ? ", " : " ") + clusters_[k].members[m]->title;
        if (clusters_[k].members.size() > 3) reading += ", ...";
        view.accessibility().label = reading;
        view.accessibility().traits = AccessibilityTrait::button;
        const double size = std::max(kClusterSize, view.sizeThatFits({}).width + 12);
        const Point c = clusters_[k].center;
        view.setFrame({c.x - size / 2, c.y - size / 2, size, size});
        view.layer().cornerRadius = size / 2;
        bringSubviewToFront(view);
    }
}

void MapView::showAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations,
                              bool animated) {
    std::vector<Coordinate> points;
    for (const auto& a : annotations)
        if (a && isValid(a->coordinate)) points.push_back(a->coordinate);
    if (points.empty()) return;
    if (points.size() == 1) {
        MapCamera centred = camera_;
        centred.centerCoordinate = points[0];
        setCamera(centred, animated);
        return;
    }
    // A margin of a fifth on every side, so that pins at the edge show whole.
    setRegion(regionAround(boxAround(points), 1.4), animated);
}

void MapView::addOverlay(std::shared_ptr<MapPolyline> overlay, OverlayLevel level) {
    if (!overlay || overlay->points.size() < 2) return;
    overlays_.push_back({std::move(overlay), level});
    contentChanged();
}

void MapView::removeOverlays() {
    overlays_.clear();
    contentChanged();
}

// ---- Gestures ----

void MapView::moveUnder(const Coordinate& coordinate, Point point, double altitude) {
    MapCamera camera = camera_;
    camera.altitude = std::clamp(altitude, kMinimumAltitude, kMaximumGestureAltitude);
    setCamera(camera);
    const Point now = convert(coordinate);
    camera.centerCoordinate = convert(
        Point{bounds().width() / 2 + now.x - point.x, bounds().height() / 2 + now.y - point.y});
    setCamera(camera);
}

void MapView::panned(const PanGestureRecognizer& pan) {
    const Point at = pan.locationInView(this);
    if (pan.state() == GestureState::began) {
        // The ground where the finger came down follows the finger.
        const Point t = pan.translation();
        gestureCamera_ = camera_;
        gestureAnchor_ = convert(Point{at.x - t.x, at.y - t.y});
    }
    if (pan.state() == GestureState::began || pan.state() == GestureState::changed ||
        pan.state() == GestureState::ended)
        moveUnder(gestureAnchor_, at, gestureCamera_.altitude);
}

void MapView::pinched(const PinchGestureRecognizer& pinch) {
    const Point at = pinch.locationInView(this);
    if (pinch.state() == GestureState::began) {
        gestureCamera_ = camera_;
        const Point t = pinch.translation();
        gestureAnchor_ = convert(Point{at.x - t.x, at.y - t.y});
    }
    if (pinch.state() == GestureState::began || pinch.state() == GestureState::changed ||
        pinch.state() == GestureState::ended)
        moveUnder(gestureAnchor_, at, gestureCamera_.altitude / pinch.scale());
}

void MapView::tapped(const GestureRecognizer& tap) {
    if (tap.state() != GestureState::ended) return;
    const double now = platformContext().now();
    const Point at = tap.locationInView(this);
    if (lastTap_ && now - lastTap_->first <= kDoubleTapInterval &&
        std::hypot(at.x - lastTap_->second.x, at.y - lastTap_->second.y) <= kDoubleTapDistance) {
        lastTap_.reset();
        // Twice as close, the tapped ground staying under the finger.
        moveUnder(convert(at), at, camera_.altitude / 2);
        return;
    }
    lastTap_ = {now, at};
}

// ---- Drawing ----

void MapView::contentChanged() {
    ++drawingKey_;
    panAnchor_ = camera_.centerCoordinate;
    setNeedsDisplay();
}

std::optional<View::PannedDrawing> MapView::pannedDrawing() const {
    // Everything but the centre that changes the drawing is in the key.
    const auto mix = [](std::uint64_t h, std::uint64_t v) {
        return (h ^ v) * 0x100000001b3ull + (h >> 29);
    };
    std::uint64_t key = mix(0xcbf29ce484222325ull, drawingKey_);
    key = mix(key, reinterpret_cast<std::uintptr_t>(platformContext().mapData.get()));
    key = mix(key, static_cast<std::uint64_t>(mapType));
    key = mix(key, (showsUserLocation ? 2u : 0u) | (subviewsContainUser() ? 1u : 0u));
    key = mix(key, std::hash<double>{}(bounds().width()));
    key = mix(key, std::hash<double>{}(bounds().height()));
    const Point anchor = convert(panAnchor_);
    return PannedDrawing{
        key, {anchor.x - bounds().width() / 2, anchor.y - bounds().height() / 2}, kPanMargin};
}

void MapView::draw(Painter& painter) const {
    drawPanned(painter, bounds());
    drawOverPanned(painter);
}

void MapView::drawPanned(Painter& painter, const Rect& area) const {
    painter.fillRect(area, mapType == MapType::hybrid ? rgb(52, 64, 50) : rgb(242, 239, 233));
    featuresDrawn_ = 0;
    const auto& data = platformContext().mapData;
    if (data) {
        std::array<Path, kMapFeatureKinds> paths;
        data->visitFeatures(coordinatesIn(area), [&](const MapFeature& f) {
            if (f.points.size() < 2) return;
            Path& path = paths[static_cast<int>(f.kind)];
            path.moveTo(convert(f.points[0]));
            for (std::size_t i = 1; i < f.points.size(); ++i) path.lineTo(convert(f.points[i]));
            if (f.area) path.close();
            ++featuresDrawn_;
        });
        const double mpp = metresPerPoint();
        for (const MapFeatureKind kind : kDrawOrder) {
            const Path& path = paths[static_cast<int>(kind)];
            if (path.isEmpty()) continue;
            const KindStyle style = styleOf(kind, mapType);
            if (style.fill.alpha > 0) painter.fill(path, style.fill);
            if (style.stroke.alpha > 0) {
                StrokeStyle stroke;
                stroke.width = std::clamp(style.metres / mpp, style.minimum, style.maximum);
                stroke.cap = LineCap::round;
                stroke.join = LineJoin::round;
                if (style.dashed) stroke.dashes = {3, 2};
                painter.stroke(path, style.stroke, stroke);
            }
        }
    }
    drawOverlays(painter, OverlayLevel::aboveRoads);
    drawOverlays(painter, OverlayLevel::aboveLabels);
    if (showsUserLocation && user_ && !subviewsContainUser()) {
        const Point p = convert(user_->coordinate);
        painter.fill(Path::circle(p, 9), Color{1, 1, 1, 1});
        painter.fill(Path::circle(p, 6.5), Color{0.0, 0.48, 1.0, 1});
    }
}

void MapView::drawOverPanned(Painter& painter) const {
    const Rect b = bounds();
    if (showsCompass && camera_.heading != 0) {
        // North on a small disc at the top right, turned with the map.
        const Point c{b.width() - 22, 22};
        painter.fill(Path::circle(c, 15), Color{1, 1, 1, 0.85});
        const double a = -camera_.heading * kDegree;
        const auto at = [&](double along, double across) {
            return Point{c.x + along * std::sin(a) + across * std::cos(a),
                         c.y - along * std::cos(a) + across * std::sin(a)};
        };
        Path north;
        north.moveTo(at(11, 0)).lineTo(at(0, 4)).lineTo(at(0, -4)).close();
        painter.fill(north, Color{0.86, 0.2, 0.2, 1});
        Path south;
        south.moveTo(at(-11, 0)).lineTo(at(0, 4)).lineTo(at(0, -4)).close();
        painter.fill(south, Color{0.5, 0.5, 0.5, 1});
    }
}

bool MapView::subviewsContainUser() const {
    return userView_ && userView_->hasSuperview();
}

void MapView::drawOverlays(Painter& painter, OverlayLevel level) const {
    const auto d = delegate_.lock();
    for (const auto& overlay : overlays_) {
        if (overlay.level != level) continue;
        std::optional<PolylineRenderer> renderer;
        if (d) renderer = d->rendererForOverlay(const_cast<MapView&>(*this), *overlay.line);
        const PolylineRenderer style = renderer.value_or(PolylineRenderer{});
        Path path;
        path.moveTo(convert(overlay.line->points[0]));
        for (std::size_t i = 1; i < overlay.line->points.size(); ++i)
            path.lineTo(convert(overlay.line->points[i]));
        StrokeStyle stroke;
        stroke.width = style.lineWidth;
        stroke.cap = LineCap::round;
        stroke.join = LineJoin::round;
        painter.stroke(path, style.strokeColor, stroke);
    }
}

void MapView::layoutSubviews() {
    // The user's own view, when the delegate gives one; else the map draws a blue dot.
    if (showsUserLocation && user_ && !userView_) {
        if (auto d = delegate()) userView_ = d->viewForAnnotation(*this, user_);
        if (userView_) {
            userView_->setAnnotation(user_);
            addSubview(userView_);
        }
    }
    if (userView_) userView_->setHidden(!(showsUserLocation && user_));
    placeViews();
    for (const auto& child : subviews())
        if (child->identifier() == "mapAttribution") {
            child->setHidden(!platformContext().mapData);
            const double w = static_cast<Label&>(*child).sizeThatFits({}).width + 4;
            child->setFrame({2, bounds().height() - 12, w, 11});
            bringSubviewToFront(*child);
        }
}

void MapView::placeViews() {
    const auto place = [this](const std::shared_ptr<MapAnnotationView>& view) {
        if (!view || !view->annotation()) return;
        const Point p = convert(view->annotation()->coordinate);
        Rect f = view->frame();
        f.origin = {p.x - f.width() / 2, p.y - f.height() / 2};
        view->setFrame(f);
    };
    for (const auto& view : views_) {
        place(view);
        // With callouts on tap, a pin that can show one takes taps (once it is on this map).
        if (calloutsOnTap && view->canShowCallout && !view->tapsSelect_) {
            view->tapsSelect_ = true;
            view->setUserInteractionEnabled(true);
            const std::weak_ptr<View> weak = weak_from_this();
            view->addGestureRecognizer(
                std::make_shared<TapGestureRecognizer>([weak](GestureRecognizer& r) {
                    const auto map = mapOf(weak);
                    const auto pin = std::dynamic_pointer_cast<MapAnnotationView>(r.view());
                    if (map && pin && pin->annotation()) map->pinTapped(pin->annotation());
                }));
        }
    }
    place(userView_);
    groupViews();
    placeCallout();
}

void MapView::describe(ViewDescription& description) const {
    View::describe(description);
    char text[96];
    std::snprintf(text, sizeof text, "%.6f,%.6f alt %.0f heading %.0f",
                  camera_.centerCoordinate.latitude, camera_.centerCoordinate.longitude,
                  camera_.altitude, camera_.heading);
    description.add("camera", text);
    if (mapType == MapType::hybrid) description.add("type", "hybrid");
    if (!overlays_.empty()) description.add("overlays", std::to_string(overlays_.size()));
    if (showsUserLocation && user_) description.add("user", "shown");
    if (!clusters_.empty()) description.add("clusters", std::to_string(clusters_.size()));
}

}  // namespace arquorel
