#include "arquorel/platform/maps/MapView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/Path.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/runtime/PlatformContext.h"
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
    setNeedsLayout();
}

void MapView::setCamera(const MapCamera& camera, bool) {
    if (!isValid(camera.centerCoordinate) || !std::isfinite(camera.altitude) ||
        !std::isfinite(camera.heading))
        return;
    camera_ = camera;
    camera_.altitude = std::clamp(camera.altitude, kMinimumAltitude, kMaximumAltitude);
    camera_.heading = std::fmod(camera.heading, 360.0);
    if (camera_.heading < 0) camera_.heading += 360;
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

MapBox MapView::visibleBox() const {
    const Rect b = bounds();
    MapBox box{convert(Point{0, 0}), convert(Point{0, 0})};
    for (const Point p :
         {Point{b.width(), 0}, Point{0, b.height()}, Point{b.width(), b.height()}}) {
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
        view->setBackgroundColor(Color{0.86, 0.2, 0.2, 1});
        view->layer().cornerRadius = 7;
        view->layer().borderWidth = 2;
        view->layer().borderColor = Color::white();
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
    if (overlay && overlay->points.size() >= 2) overlays_.push_back({std::move(overlay), level});
}

void MapView::removeOverlays() {
    overlays_.clear();
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

void MapView::draw(Painter& painter) const {
    const Rect b = bounds();
    painter.fillRect(b, mapType == MapType::hybrid ? rgb(52, 64, 50) : rgb(242, 239, 233));
    featuresDrawn_ = 0;
    const auto& data = platformContext().mapData;
    if (data) {
        std::array<Path, kMapFeatureKinds> paths;
        data->visitFeatures(visibleBox(), [&](const MapFeature& f) {
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
    for (const auto& view : views_) place(view);
    place(userView_);
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
}

}  // namespace arquorel
