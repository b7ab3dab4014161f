#pragma once
// A map: the streets, buildings, water and parks of the platform context's map data around a
// camera, with point annotations (pins) as views, polyline overlays (a route) and the user's
// position. The camera looks down at a centre from an altitude, turned by a heading (the
// direction at the top of the view); a region (a centre and spans in degrees) can be set
// instead and gives the camera that shows it. Points and coordinates convert both ways.
//
// The map draws through the Painter like every view, so every drawing backend draws it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/maps/MapFeatures.h"
#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class MapView;

struct MapRegion {
    Coordinate center;
    double latitudeDelta = 0;   // degrees from the bottom to the top
    double longitudeDelta = 0;  // degrees from the left to the right
};

// The region that shows the box, its spans widened by `margin` (1.4: a fifth more on every
// side) around the box's centre.
MapRegion regionAround(const MapBox& box, double margin);

struct MapCamera {
    Coordinate centerCoordinate;
    double altitude = 1000;  // metres above the centre
    double heading = 0;      // degrees clockwise from north, at the top of the view
    // A camera at `eye`, `altitude` metres up, looking at `center` (the heading points from the
    // eye to the centre; straight down when they are the same).
    static MapCamera lookingAt(const Coordinate& center, const Coordinate& eye, double altitude);
};

enum class MapType { standard, hybrid };

class MapAnnotation {
  public:
    virtual ~MapAnnotation() = default;
    Coordinate coordinate;
    std::string title;
};

// The user's own position, shown while the map shows the user location.
class UserLocationAnnotation : public MapAnnotation {};

class MapPolyline {
  public:
    explicit MapPolyline(std::vector<Coordinate> line) : points(std::move(line)) {}
    std::vector<Coordinate> points;
    MapBox boundingBox() const;
};

enum class OverlayLevel { aboveRoads, aboveLabels };

struct PolylineRenderer {
    Color strokeColor{0, 0, 1, 1};
    double lineWidth = 3;
};

// A pin: an image view placed with its centre on its annotation's coordinate.
class MapAnnotationView : public ImageView {
  public:
    MapAnnotationView(std::shared_ptr<MapAnnotation> annotation, std::string reuseIdentifier);
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    const std::shared_ptr<MapAnnotation>& annotation() const { return annotation_; }
    void setAnnotation(std::shared_ptr<MapAnnotation> annotation) {
        annotation_ = std::move(annotation);
    }
    bool canShowCallout = false;
    void describe(ViewDescription& description) const override;
    // A pin reads its annotation's title; a button when a tap selects it.
    AccessibilityDefaults accessibilityDefaults() const override;

  private:
    friend class MapView;
    bool tapsSelect_ = false;  // the map's select-on-tap recogniser is attached
    std::shared_ptr<MapAnnotation> annotation_;
    std::string reuseIdentifier_;
};

class MapViewDelegate {
  public:
    virtual ~MapViewDelegate() = default;
    // How an overlay is drawn; none: the default blue line.
    virtual std::optional<PolylineRenderer> rendererForOverlay(MapView&, const MapPolyline&) {
        return std::nullopt;
    }
    // The view of an annotation; none: the default pin.
    virtual std::shared_ptr<MapAnnotationView> viewForAnnotation(
        MapView&, const std::shared_ptr<MapAnnotation>&) {
        return nullptr;
    }
};

// While it takes touches, the map moves under a dragging finger, zooms about the point
// between two pinching fingers and zooms in twice as close about a double tap; the gestures
// keep the altitude within [kMinimumAltitude, kMaximumGestureAltitude].
class MapView : public View {
  public:
    // The ground seen from the bottom to the top of the view is this share of the altitude.
    static constexpr double kGroundPerAltitude = 0.5;
    static constexpr double kMinimumAltitude = 50;
    static constexpr double kMaximumAltitude = 40'000'000;
    // Gestures stop zooming out at a view of a region about 100 km across.
    static constexpr double kMaximumGestureAltitude = 200'000;
    // A second tap within this time and distance of the first is a double tap.
    static constexpr double kDoubleTapInterval = 0.3;
    static constexpr double kDoubleTapDistance = 40;

    explicit MapView(Rect frame = {});
    ~MapView() override;

    // ---- Settings ----
    bool showsUserLocation = false;
    bool showsCompass = true;
    bool isRotateEnabled = true;
    MapType mapType = MapType::standard;
    void setDelegate(std::weak_ptr<MapViewDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<MapViewDelegate> delegate() const { return delegate_.lock(); }

    // The user's position, shown while showsUserLocation is on.
    void setUserLocation(std::optional<Location> location);
    const std::shared_ptr<UserLocationAnnotation>& userLocation() const { return user_; }

    // ---- Camera and region ----
    const MapCamera& camera() const { return camera_; }
    // Altitudes outside [kMinimumAltitude, kMaximumAltitude] are clamped; a camera that is
    // not finite changes nothing. `animated` is recorded for the renderer; the model moves at
    // once.
    void setCamera(const MapCamera& camera, bool animated = false);
    // The region the view shows (north up; with a heading, the region of the same scale).
    MapRegion region() const;
    // Centres the camera on the region and sets the altitude that shows all of it; keeps the
    // heading.
    void setRegion(const MapRegion& region, bool animated = false);

    // ---- Annotations and overlays ----
    void addAnnotation(std::shared_ptr<MapAnnotation> annotation);
    void addAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations);
    void removeAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations);
    const std::vector<std::shared_ptr<MapAnnotation>>& annotations() const { return annotations_; }
    // The region holding every annotation given, with a margin; one annotation keeps the span
    // and only centres on it.
    void showAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations,
                         bool animated = false);
    // A view put back for reuse under that identifier, if any.
    std::shared_ptr<MapAnnotationView> dequeueReusableAnnotationView(const std::string& id);
    // The view shown for an annotation, if it is on the map.
    std::shared_ptr<MapAnnotationView> viewFor(const MapAnnotation& annotation) const;

    // ---- Callouts ----
    // With callouts on tap, a tap on a pin whose view can show a callout selects it (a tap on
    // the selected pin, or on its callout, deselects it). The selected annotation's title is
    // shown in a callout above its pin, kept inside the map.
    bool calloutsOnTap = false;
    void selectAnnotation(const std::shared_ptr<MapAnnotation>& annotation);
    void deselectAnnotation();
    const std::shared_ptr<MapAnnotation>& selectedAnnotation() const { return selected_; }
    // The callout, while one is shown.
    std::shared_ptr<Label> callout() const;

    // ---- Clusters ----
    // Pins nearer each other on the screen than this many points are shown as one round
    // cluster with their count instead (0, the default: never). A tap on a cluster zooms in to
    // its pins.
    double clusterDistance = 0;
    struct Cluster {
        Point center;
        std::vector<std::shared_ptr<MapAnnotation>> members;
    };
    // The clusters of the last layout, in the order of their first annotations.
    const std::vector<Cluster>& clusters() const { return clusters_; }
    // The view showing cluster `index` of the last layout.
    std::shared_ptr<Label> clusterView(std::size_t index) const;

    void addOverlay(std::shared_ptr<MapPolyline> overlay,
                    OverlayLevel level = OverlayLevel::aboveRoads);
    void removeOverlays();
    std::size_t overlayCount() const { return overlays_.size(); }

    // ---- Conversion ----
    Point convert(const Coordinate& coordinate) const;  // to a point of this view
    Coordinate convert(Point point) const;              // from a point of this view
    double metresPerPoint() const;

    // ---- View ----
    void draw(Painter& painter) const override;
    // The streets, overlays and user dot pan with the centre; the compass stays over them.
    std::optional<PannedDrawing> pannedDrawing() const override;
    bool drawsWithoutSetters() const override { return true; }
    void drawPanned(Painter& painter, const Rect& area) const override;
    void drawOverPanned(Painter& painter) const override;
    void layoutSubviews() override;
    void describe(ViewDescription& description) const override;
    // Features drawn at the last draw (for tests and the view-tree dump).
    std::size_t featuresDrawn() const { return featuresDrawn_; }

  private:
    struct Overlay {
        std::shared_ptr<MapPolyline> line;
        OverlayLevel level;
    };
    // Points kept drawn around the view, so that a pan within them only shifts the drawing.
    static constexpr double kPanMargin = 64;
    // The coordinates within `area` (this view's points).
    MapBox coordinatesIn(const Rect& area) const;
    // Marks the drawing as changed in more than its centre.
    void contentChanged();
    void panned(const PanGestureRecognizer& pan);
    void pinched(const PinchGestureRecognizer& pinch);
    void tapped(const GestureRecognizer& tap);
    // Sets the altitude (within the gestures' bounds) and moves the centre so that
    // `coordinate` lies under `point`.
    void moveUnder(const Coordinate& coordinate, Point point, double altitude);
    void drawOverlays(Painter& painter, OverlayLevel level) const;
    std::shared_ptr<MapAnnotationView> makeView(const std::shared_ptr<MapAnnotation>& annotation);
    void placeViews();
    void groupViews();
    void placeCallout();
    void pinTapped(const std::shared_ptr<MapAnnotation>& annotation);
    void clusterTapped(std::size_t index);
    bool subviewsContainUser() const;

    MapCamera camera_;
    std::weak_ptr<MapViewDelegate> delegate_;
    std::shared_ptr<UserLocationAnnotation> user_;
    std::vector<std::shared_ptr<MapAnnotation>> annotations_;
    std::vector<std::shared_ptr<MapAnnotationView>> views_;  // one per annotation, same order
    std::vector<std::shared_ptr<MapAnnotationView>> reusable_;
    std::shared_ptr<MapAnnotationView> userView_;  // the delegate's view of the user, if any
    std::vector<Overlay> overlays_;
    std::shared_ptr<MapAnnotation> selected_;
    std::shared_ptr<Label> callout_;
    std::vector<Cluster> clusters_;
    std::vector<std::shared_ptr<Label>> clusterViews_;  // the first clusters_.size() are shown
    mutable std::size_t featuresDrawn_ = 0;
    std::uint64_t drawingKey_ = 0;
    Coordinate panAnchor_;  // a fixed coordinate, whose point tells how far the map panned
    // The gesture in progress: the camera and the coordinate under the finger(s) when it began.
    MapCamera gestureCamera_;
    Coordinate gestureAnchor_;
    // The last single tap, for telling a double tap.
    std::optional<std::pair<double, Point>> lastTap_;
};

}  // namespace arquorel
