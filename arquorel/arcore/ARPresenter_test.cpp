#include "arquorel/arcore/ARPresenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <tuple>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

class FakeController : public ARController {
  public:
    ARStatus status;
    std::shared_ptr<ARDataSource> source;
    const ARStatus& arStatus() const override { return status; }
    std::shared_ptr<ARDataSource> dataSource() const override { return source; }
};

// The places where the presenter calls out of itself; a test arms one to run code there once.
enum class Hook { viewForAnnotation, viewsDrawn, added, removed, configure, refresh, mainState };
struct Hooks {
    Hook armed{};
    std::function<void()> action;
    std::vector<const ARAnnotationView*> placed;  // in the order of their placement
    void fire(Hook hook) {
        if (!action || hook != armed) return;
        auto run = std::move(action);
        action = nullptr;
        run();
    }
};

class CountingView : public ARAnnotationView {
  public:
    int configured = 0;
    int refreshed = 0;
    bool card = false;
    std::shared_ptr<Hooks> hooks;
    bool isCard() const override { return card; }
    void configureCard() override {
        ++configured;
        hooks->fire(Hook::configure);
    }
    void refreshCard() override {
        ++refreshed;
        hooks->fire(Hook::refresh);
    }
    void updateMainState(bool animated) override {
        ARAnnotationView::updateMainState(animated);
        hooks->placed.push_back(this);
        hooks->fire(Hook::mainState);
    }

  protected:
    void didMoveToSuperview() override {
        hooks->fire(hasSuperview() ? Hook::added : Hook::removed);
    }
};

class FakeDataSource : public ARDataSource {
  public:
    int created = 0;
    int drawnCalls = 0;
    bool cards = false;
    std::shared_ptr<Hooks> hooks = std::make_shared<Hooks>();
    std::shared_ptr<ARAnnotationView> viewForAnnotation(
        ARController&, const std::shared_ptr<ARAnnotation>&) override {
        ++created;
        auto view = ARAnnotationView::make<CountingView>();
        view->card = cards;
        view->hooks = hooks;
        hooks->fire(Hook::viewForAnnotation);
        return view;
    }
    std::optional<std::vector<std::shared_ptr<ARAnnotationView>>> viewsDrawn(
        ARController&, const std::vector<std::shared_ptr<ARAnnotationView>>& views) override {
        ++drawnCalls;
        hooks->fire(Hook::viewsDrawn);
        return views;
    }
};

// An annotation with a stored vertical placement value, as place annotations have.
class HeightAnnotation : public ARAnnotation {
  public:
    HeightAnnotation(double normal, double main)
        : ARAnnotation(std::string(), std::string(), Location(43.7, 7.4)),
          normal_(normal),
          main_(main) {}
    std::optional<double> verticalPlacementValue(bool mainView) const override {
        return mainView ? main_ : normal_;
    }

  private:
    double normal_, main_;
};

class PresenterTest : public ::testing::Test {
  protected:
    void SetUp() override { makePresenter(); }

    void makePresenter() {
        controller = std::make_shared<FakeController>();
        source = std::make_shared<FakeDataSource>();
        controller->source = source;
        controller->status = ARStatus{60, 90, 375.0 / 60, 812.0 / 90, 0, 0, Location(43.7, 7.4)};
        presenter = ARPresenter::create(controller);
        presenter->setFrame({0, 0, 375, 812});
    }

    std::shared_ptr<ARAnnotation> annotation(double distance, double azimuth) {
        auto a = ARAnnotation::create(std::string(), std::string(), Location(43.7, 7.4));
        a->setDistanceFromUser(distance);
        a->setAzimuth(azimuth);
        return a;
    }

    static void nearestFirst(ARPresenter::AnnotationList& list) {
        std::stable_sort(list.begin(), list.end(), [](auto& a, auto& b) {
            return a->distanceFromUser() < b->distanceFromUser();
        });
    }

    ARPresenter::AnnotationList annotations(std::size_t n, double azimuth = 10) {
        ARPresenter::AnnotationList list;
        for (std::size_t i = 0; i < n; ++i) list.push_back(annotation(10.0 * (i + 1), azimuth));
        return list;
    }

    sim::SimPlatform device;
    std::shared_ptr<FakeController> controller;
    std::shared_ptr<FakeDataSource> source;
    std::shared_ptr<ARPresenter> presenter;
};

TEST_F(PresenterTest, ReloadDoesNothingUntilTheStatusIsReady) {
    auto list = annotations(3);
    controller->status.userLocation.reset();
    for (int t = 0; t <= 4; ++t) presenter->reload(list, *reloadTypeFromRaw(t));
    EXPECT_TRUE(presenter->annotations().empty());
    EXPECT_EQ(source->created, 0);
    EXPECT_FALSE(list[0]->active());

    controller->status.userLocation = Location(91, 0);
    presenter->reload(list, ReloadType::annotationsChanged);
    EXPECT_TRUE(presenter->annotations().empty());
}

TEST_F(PresenterTest, SelectionLimitDependsOnScreenWidth) {
    auto list = annotations(300);
    presenter->reload(list, ReloadType::annotationsChanged);
    EXPECT_EQ(presenter->maxVisibleAnnotations, 250u);
    EXPECT_EQ(presenter->activeAnnotations().size(), 250u);
    EXPECT_EQ(presenter->annotationViews().size(), 250u);
    EXPECT_TRUE(list[249]->annotationView() != nullptr);
    EXPECT_EQ(list[250]->annotationView(), nullptr);
    EXPECT_EQ(presenter->maxDistance, 10000000);

    device.context().device().setMainScreenBounds({0, 0, 320, 568});
    makePresenter();
    auto small = annotations(300);
    presenter->reload(small, ReloadType::annotationsChanged);
    EXPECT_EQ(presenter->activeAnnotations().size(), 100u);
}

TEST_F(PresenterTest, SelectionSkipsAnnotationsBeyondTenThousandKilometres) {
    auto list = annotations(3);
    list[0]->setDistanceFromUser(10000000);
    list[1]->setDistanceFromUser(10000001);
    presenter->maxDistance = 5;  // overwritten by the selection
    auto active = presenter->activeAnnotationsFromAnnotations(list);
    EXPECT_EQ(active, (ARPresenter::AnnotationList{list[0], list[2]}));
    EXPECT_FALSE(list[1]->active());
}

TEST_F(PresenterTest, SectorsAndRawReloadTypes) {
    const std::pair<double, std::size_t> cases[] = {
        {0, 0}, {44.999, 0}, {45, 1}, {359.99, 7}, {360, 7}, {-1, 7}, {std::nan(""), 7}};
    for (auto [azimuth, sector] : cases)
        EXPECT_EQ(ARPresenter::sectorIndex(azimuth), sector) << azimuth;
    for (long raw = -1; raw <= 5; ++raw)
        EXPECT_EQ(reloadTypeFromRaw(raw).has_value(), raw >= 0 && raw <= 4) << raw;
    EXPECT_EQ(reloadTypeFromRaw(3), ReloadType::annotationsChanged);
}

TEST_F(PresenterTest, FullSectorFadesOutTheSixthAndMarksTheNearestMain) {
    auto list = annotations(6, 10);
    list.push_back(annotation(5, 100));  // alone in sector 2
    nearestFirst(list);
    presenter->reload(list, ReloadType::annotationsChanged);

    const auto& sectors = presenter->visibleAnnotationViews();
    ASSERT_EQ(sectors.size(), 8u);
    ASSERT_EQ(sectors[0].size(), 5u);
    ASSERT_EQ(sectors[2].size(), 1u);
    // Farthest first, the nearest last and main.
    EXPECT_EQ(sectors[0].back()->annotation()->distanceFromUser(), 10);
    EXPECT_EQ(sectors[0].front()->annotation()->distanceFromUser(), 50);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(sectors[0][i]->isMainAnn, i == 4);
    EXPECT_TRUE(sectors[2].back()->isMainAnn);

    auto sixth = list[6];
    EXPECT_EQ(sixth->distanceFromUser(), 60);
    EXPECT_FALSE(sixth->active());
    ASSERT_NE(sixth->annotationView(), nullptr);
    EXPECT_EQ(sixth->annotationView()->superview(), nullptr);
    EXPECT_EQ(presenter->subviews().size(), 6u);
    presenter->visibleAnnotationsAsArray();
    EXPECT_EQ(presenter->visibleAnnotationsAsArray().size(), 6u);
    // A rebuild marks the main views again 0.1 s later.
    sectors[0].back()->isMainAnn = false;
    device.advance(0.09);
    EXPECT_FALSE(sectors[0].back()->isMainAnn);
    device.advance(0.02);
    EXPECT_TRUE(sectors[0].back()->isMainAnn);

    // Equal distances: the first five of the list keep the places.
    makePresenter();
    auto tied = annotations(6, 10);
    for (auto& a : tied) a->setDistanceFromUser(7);
    presenter->reload(tied, ReloadType::annotationsChanged);
    EXPECT_FALSE(tied[5]->active());
    EXPECT_TRUE(tied[0]->active() && tied[4]->active());
}

// Whether the last alpha change of a view was a fade to `to` over `duration` seconds.
bool lastAlphaAnimation(const ARAnnotationView& v, double to, double duration) {
    for (auto it = v.animations().rbegin(); it != v.animations().rend(); ++it)
        if (it->property == AnimatedProperty::alpha)
            return std::get<double>(it->to) == to && it->duration == duration;
    return false;
}

TEST_F(PresenterTest, SwipeResortsSectorsFadingViewsInAndOut) {
    auto list = annotations(6, 10);
    presenter->reload(list, ReloadType::annotationsChanged);
    for (const auto& v : presenter->annotationViews())  // the first display does not fade
        EXPECT_TRUE(v->animations().empty() || v == list[5]->annotationView());
    EXPECT_EQ(source->drawnCalls, 1);
    auto outsider = list[5]->annotationView();
    ASSERT_EQ(outsider->superview(), nullptr);
    EXPECT_FALSE(list[5]->active());

    // The sixth becomes the nearest: a swipe re-sorts the sectors, the fifth is pushed out.
    list[5]->setDistanceFromUser(1);
    auto pushed = list[4]->annotationView();
    nearestFirst(list);
    presenter->reload(list, ReloadType::swipe);
    EXPECT_TRUE(list[0]->active());
    EXPECT_FALSE(pushed->annotation()->active());
    // The new main view gets its base position again; the others keep theirs.
    EXPECT_EQ(std::static_pointer_cast<CountingView>(outsider)->configured, 2);
    EXPECT_EQ(std::static_pointer_cast<CountingView>(list[1]->annotationView())->configured, 1);
    EXPECT_EQ(outsider->superview().get(), presenter.get());
    // The newcomer fades in to 0.5 and the pushed view out to 0, over 0.2 s each.
    const auto fadedTo = [](const ARAnnotationView& v, double to) {
        return std::any_of(v.animations().begin(), v.animations().end(), [&](const auto& a) {
            return a.property == AnimatedProperty::alpha && a.duration == 0.2 &&
                   std::get<double>(a.to) == to;
        });
    };
    EXPECT_TRUE(fadedTo(*outsider, 0.5));  // then it grows to the main card
    EXPECT_TRUE(lastAlphaAnimation(*pushed, 0, 0.2));
    EXPECT_EQ(pushed->superview().get(), presenter.get());  // still fading
    device.advance(0.19);
    EXPECT_EQ(pushed->superview().get(), presenter.get());
    device.advance(0.02);
    EXPECT_EQ(pushed->superview(), nullptr);
}

TEST_F(PresenterTest, AViewPushedOutByAFixFadesFromTheStart) {
    source->cards = true;
    auto list = annotations(6, 10);
    list.push_back(annotation(100, 200));  // the farthest view, alone in sector 4
    presenter->reload(list, ReloadType::annotationsChanged);
    auto pushed = list[4]->annotationView();
    for (std::size_t i = 0; i < 4; ++i)
        std::static_pointer_cast<CountingView>(list[i]->annotationView())->card = false;
    // The sixth comes nearest: the fifth leaves the full sector. It is placed after the first
    // card of the pass (the farthest), and is the last card: its own re-sort fades it.
    list[5]->setDistanceFromUser(5);
    presenter->reload(list, ReloadType::userLocationChanged);
    EXPECT_FALSE(list[4]->active());
    EXPECT_EQ(pushed->alpha(), 0);
    EXPECT_TRUE(lastAlphaAnimation(*pushed, 0, 0.2));
    EXPECT_TRUE(lastAlphaAnimation(*list[5]->annotationView(), 0.5, 0.2));
    device.advance(0.19);
    EXPECT_EQ(pushed->superview().get(), presenter.get());
    device.advance(0.02);
    EXPECT_EQ(pushed->superview(), nullptr);
}

TEST_F(PresenterTest, AViewBackInItsSectorBeforeItsFadeEndsStaysOnScreen) {
    auto list = annotations(6, 10);
    presenter->reload(list, ReloadType::annotationsChanged);
    auto fifth = list[4]->annotationView();
    auto sixth = list[5]->annotationView();
    list[5]->setDistanceFromUser(1);  // pushes the fifth out
    presenter->reload(list, ReloadType::swipe);
    EXPECT_FALSE(list[4]->active());
    device.advance(0.1);
    list[5]->setDistanceFromUser(60);  // and back: the sixth leaves again
    presenter->reload(list, ReloadType::swipe);
    EXPECT_TRUE(list[4]->active());
    device.advance(0.15);  // the fifth's first fade has ended
    EXPECT_EQ(fifth->superview().get(), presenter.get());
    // The sixth, faded off screen by the first reload, came on screen and left again: the end
    // of that first fade takes it off screen (its own later fade has not ended).
    EXPECT_EQ(sixth->superview(), nullptr);
    device.advance(0.1);
    EXPECT_EQ(fifth->superview().get(), presenter.get());
    EXPECT_EQ(sixth->superview(), nullptr);
}

TEST_F(PresenterTest, DistanceScaleBands) {
    // Bands of an eighth of the farthest distance; 100 < 800 / 8 is false.
    const std::pair<double, double> cases[] = {{99.9, 1.0}, {100, 0.95}, {250, 0.9},
                                               {300, 0.85}, {400, 0.8},  {500, 0.75},
                                               {600, 0.7},  {700, 0.65}, {800, 0.65}};
    for (auto [d, scale] : cases) EXPECT_EQ(ARPresenter::distanceScale(d, 800), scale) << d;
    EXPECT_EQ(ARPresenter::distanceScale(0, 0), 0.65);
}

TEST_F(PresenterTest, PlacementFollowsHeadingPitchAndDistance) {
    ARPresenter::AnnotationList list{annotation(100, 10), annotation(800, 350)};
    controller->status.heading = 350;
    presenter->reload(list, ReloadType::annotationsChanged);

    const double h = controller->status.hPixelsPerDegree;
    const double width = 375 * 0.45, height = width * 0.55;
    auto near = list[0]->annotationView();
    auto far = list[1]->annotationView();
    // Base size on the phone; the main annotation of its sector is drawn 1.5 times larger.
    EXPECT_DOUBLE_EQ(near->initialFrame.width(), width);
    EXPECT_DOUBLE_EQ(near->initialFrame.height(), height);
    EXPECT_DOUBLE_EQ(near->initialFrame.x(), near->arZeroPoint.x + h * 0.95 * 20);
    EXPECT_DOUBLE_EQ(far->initialFrame.x(), far->arZeroPoint.x);
    EXPECT_TRUE(near->isMainAnn);
    EXPECT_DOUBLE_EQ(near->frame().width(), width * 1.5);
    EXPECT_DOUBLE_EQ(near->alpha(), 1.0);

    // Heading 10: the far annotation at 350 lies 20 degrees to the left.
    controller->status.heading = 10;
    controller->status.pitch = 10;
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_DOUBLE_EQ(far->initialFrame.x(), far->arZeroPoint.x + h * 0.65 * -20);
    const double v = controller->status.vPixelsPerDegree;
    EXPECT_DOUBLE_EQ(near->initialFrame.y(), v * 10 * (0.95 - 0.6) + near->arZeroPoint.y);
    EXPECT_DOUBLE_EQ(far->initialFrame.y(), v * 10 * (0.65 - 0.6) + far->arZeroPoint.y);
}

TEST_F(PresenterTest, BasePositionUsesStoredHeightOrARandomOne) {
    device.context().device().setMainScreenBounds({0, 0, 375, 800});
    presenter->setFrame({0, 0, 375, 800});
    auto a = std::make_shared<HeightAnnotation>(150, 0);
    auto view = ARAnnotationView::create({0, 0, 100, 100});
    view->setAnnotation(a);
    EXPECT_DOUBLE_EQ(presenter->yPositionForAnnotationView(*view, controller->status).first, 50);
    EXPECT_DOUBLE_EQ(presenter->xPositionForAnnotationView(*view, controller->status), 137.5);

    // The main view reads its own value, which is 0 here, so a random one from 150 to 549.
    view->isMainAnn = true;
    std::set<long> drawn;
    for (int i = 0; i < 4000; ++i) {
        const double y = presenter->yPositionForAnnotationView(*view, controller->status).first;
        drawn.insert(std::lround((y - 20) / 0.2));
    }
    EXPECT_EQ(drawn.size(), 400u);
    EXPECT_EQ(*drawn.begin(), 150);
    EXPECT_EQ(*drawn.rbegin(), 549);
    auto bare = ARAnnotationView::create({0, 0, 100, 100});
    EXPECT_EQ(presenter->yPositionForAnnotationView(*bare, controller->status),
              std::make_pair(0.0, 0.0));
}

// The random heights of a rebuild depend on the views and their order only, not on the
// rebuilds, swipes and frames before it: a screen that happens to reload once more at start-up
// (its first fix a little later) shows the same layout.
TEST_F(PresenterTest, EveryRebuildDrawsTheSameRandomHeights) {
    auto list = annotations(12);
    for (std::size_t i = 0; i < list.size(); ++i) list[i]->setAzimuth(30.0 * i);
    const auto rebuild = [&](ReloadType type) {
        // As the main screen hands its cards over: back to the base frame before a rebuild.
        for (const auto& view : presenter->annotationViews()) view->setFrame({0, 0, 100, 50});
        presenter->reload(list, type);
        std::vector<double> heights;
        for (const auto& a : list) heights.push_back(a->annotationView()->arZeroPoint.y);
        return heights;
    };
    presenter->reload(list, ReloadType::annotationsChanged);  // the views, at their base frame next
    const auto first = rebuild(ReloadType::annotationsChanged);
    EXPECT_GT(std::set<double>(first.begin(), first.end()).size(), 6u);
    EXPECT_EQ(rebuild(ReloadType::annotationsChanged), first);
    presenter->reload(list, ReloadType::swipe);  // draws for the sectors' main views
    EXPECT_EQ(rebuild(ReloadType::reloadLocationChanged), first);

    presenter->seedRandom(7);
    const auto seeded = rebuild(ReloadType::annotationsChanged);
    EXPECT_NE(seeded, first);
    EXPECT_EQ(rebuild(ReloadType::annotationsChanged), seeded);
}

TEST_F(PresenterTest, DisableMoveKeepsTheFrameButUpdatesTheBaseSize) {
    auto list = annotations(1);
    presenter->reload(list, ReloadType::annotationsChanged);
    auto view = list[0]->annotationView();
    const Rect before = view->frame();
    view->disableMove = true;
    controller->status.heading = 90;
    device.context().device().setMainScreenBounds({0, 0, 400, 812});
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_EQ(view->frame(), before);
    EXPECT_DOUBLE_EQ(view->initialFrame.width(), 400 * 0.45);
    EXPECT_EQ(view->initialFrame.origin, before.origin);
    // A landscape screen sizes the cards from its height, as the same phone held upright.
    device.context().device().setMainScreenBounds({0, 0, 812, 375});
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_DOUBLE_EQ(view->initialFrame.width(), 375 * 0.45);
    EXPECT_DOUBLE_EQ(view->initialFrame.height(), 375 * 0.45 * 0.55);
    // Without a screen width the base size is the view's own.
    view->disableMove = false;
    device.context().device().setMainScreenBounds({0, 0, 0, 812});
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_EQ(view->initialFrame.size, before.size);
}

TEST_F(PresenterTest, ReloadTypesRebuildOnlyWhenTheyShould) {
    auto list = annotations(3);
    presenter->reload(list, ReloadType::annotationsChanged);
    EXPECT_EQ(source->created, 3);
    auto view = list[0]->annotationView();

    presenter->reload(annotations(2), ReloadType::headingChanged);  // not a rebuild
    EXPECT_EQ(presenter->annotations().size(), 3u);
    presenter->reload(annotations(2), ReloadType::userLocationChanged);
    EXPECT_EQ(presenter->annotations().size(), 3u);

    presenter->reload(list, ReloadType::reloadLocationChanged);  // rebuild keeps existing views
    EXPECT_EQ(source->created, 3);
    EXPECT_EQ(list[0]->annotationView(), view);
    // A rebuild without a visibility pass leaves the views off the presenter until one runs.
    EXPECT_EQ(view->superview(), nullptr);
    presenter->reload(list, ReloadType::swipe);
    EXPECT_EQ(view->superview().get(), presenter.get());
    // Views still shown for annotations the host has since dropped stay where they are.
    presenter->reload(annotations(2), ReloadType::reloadLocationChanged);
    list.clear();
    const Rect at = view->frame();
    controller->status.heading = 45;
    presenter->reload(presenter->annotations(), ReloadType::headingChanged);
    EXPECT_EQ(view->frame(), at);
}

TEST_F(PresenterTest, ClearForgetsEverythingAndTheNextReloadRebuilds) {
    auto list = annotations(4);
    presenter->reload(list, ReloadType::annotationsChanged);
    presenter->clear();
    EXPECT_TRUE(presenter->annotations().empty() && presenter->annotationViews().empty() &&
                presenter->subviews().empty());
    for (const auto& a : list) EXPECT_TRUE(!a->active() && !a->annotationView());
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_EQ(presenter->annotations().size(), 4u);
    EXPECT_EQ(presenter->annotationViews().size(), 4u);
    EXPECT_EQ(source->created, 8);
    EXPECT_TRUE(list[0]->active());
}

TEST_F(PresenterTest, LocationReloadRefreshesCardsAndResortsSectors) {
    source->cards = true;
    auto list = annotations(2, 10);
    presenter->reload(list, ReloadType::annotationsChanged);
    auto first = std::dynamic_pointer_cast<CountingView>(list[0]->annotationView());
    auto second = std::dynamic_pointer_cast<CountingView>(list[1]->annotationView());
    EXPECT_EQ(first->configured, 1);
    EXPECT_TRUE(first->isMainAnn);

    // The user moved: the second one is now nearer and becomes the main annotation.
    list[0]->setDistanceFromUser(30);
    list[1]->setDistanceFromUser(5);
    presenter->reload(list, ReloadType::userLocationChanged);
    EXPECT_EQ(first->refreshed, 1);
    EXPECT_EQ(second->refreshed, 1);
    EXPECT_TRUE(second->isMainAnn);
    EXPECT_FALSE(first->isMainAnn);
    EXPECT_EQ(presenter->subviews().back(), second);
    // Location moves are animated over 0.5 s.
    ASSERT_FALSE(second->animations().empty());
    EXPECT_EQ(second->animations().back().duration, 0.5);
    // Nearer views cover farther ones and all of them a view the host added.
    auto overlay = std::make_shared<View>();
    presenter->addSubview(overlay);
    list[0]->setDistanceFromUser(3);
    presenter->reload(list, ReloadType::userLocationChanged);
    EXPECT_EQ(presenter->subviews(), (std::vector<std::shared_ptr<View>>{overlay, second, first}));
}

TEST_F(PresenterTest, OutsideChangesToTheSectorsAndViewsGoneBeforeTheirFadeEnds) {
    // While no view is shown, views the controller puts into the sectors are placed.
    auto list = annotations(1, 10);
    presenter->reload(list, ReloadType::annotationsChanged);
    auto view = list[0]->annotationView();
    presenter->visibleAnnotationViews()[0].clear();
    presenter->reload(list, ReloadType::headingChanged);
    presenter->visibleAnnotationViews()[0].push_back(view);
    controller->status.heading = 30;
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_DOUBLE_EQ(view->initialFrame.x(),
                     view->arZeroPoint.x - controller->status.hPixelsPerDegree * 0.65 * 20);
    // A view pushed out and then dropped by everyone before its fade ends.
    auto more = annotations(6, 10);
    presenter->reload(more, ReloadType::annotationsChanged);
    more[5]->setDistanceFromUser(1);
    presenter->reload(more, ReloadType::swipe);
    std::weak_ptr<ARAnnotationView> pushed = more[4]->annotationView();
    ASSERT_FALSE(more[4]->active());
    EXPECT_EQ(pushed.lock()->superview().get(), presenter.get());  // still fading
    presenter->clear();
    EXPECT_TRUE(presenter->subviews().empty());
    more.clear();
    list.clear();
    view.reset();
    EXPECT_TRUE(pushed.expired());  // the pending fade does not hold it
    // Places loaded before that fade ends are all shown, during and after it.
    device.advance(0.1);
    auto next = annotations(2, 10);
    presenter->reload(next, ReloadType::annotationsChanged);
    device.advance(0.2);
    EXPECT_EQ(presenter->subviews(), (std::vector<std::shared_ptr<View>>{
                                         next[1]->annotationView(), next[0]->annotationView()}));
}

TEST_F(PresenterTest, AFramePlacesEachViewByItsAnnotationNow) {
    // A, B and C in sectors 0, 2 and 4; C comes as far as the others: ties keep sector order.
    ARPresenter::AnnotationList list{annotation(20, 10), annotation(20, 100), annotation(10, 200)};
    presenter->reload(list, ReloadType::annotationsChanged);
    list[2]->setDistanceFromUser(20);
    source->hooks->placed.clear();
    presenter->reload(list, ReloadType::headingChanged);
    std::vector<const ARAnnotationView*> order;
    for (const auto& a : list) order.push_back(a->annotationView().get());
    EXPECT_EQ(source->hooks->placed, order);
    // A view given another annotation is placed by that one from the next frame on.
    auto other = annotation(20, 40);
    auto view = list[0]->annotationView();
    view->setAnnotation(other);
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_DOUBLE_EQ(view->initialFrame.x(),
                     view->arZeroPoint.x + controller->status.hPixelsPerDegree * 0.65 * 40);
}

// A call-out that reloads the presenter with other annotations, clears it or drops the last
// reference to it must find the presenter alive and leave it as that call left it.
TEST_F(PresenterTest, CallOutsMayReloadClearOrReleaseThePresenter) {
    enum class Action { reload, clear, release };
    // How each hook is reached: a first reload with the hook unarmed (if any), then this one.
    struct Route {
        Hook hook;
        bool prepared;
        ReloadType type;
    };
    const Route routes[] = {
        {Hook::viewForAnnotation, false, ReloadType::annotationsChanged},
        {Hook::viewsDrawn, false, ReloadType::annotationsChanged},
        {Hook::added, false, ReloadType::annotationsChanged},
        {Hook::configure, false, ReloadType::annotationsChanged},
        {Hook::removed, true, ReloadType::annotationsChanged},
        {Hook::refresh, true, ReloadType::userLocationChanged},
        {Hook::mainState, true, ReloadType::headingChanged},
        {Hook::mainState, true, ReloadType::swipe},
    };
    for (const auto& route : routes) {
        for (auto action : {Action::reload, Action::clear, Action::release}) {
            SCOPED_TRACE(testing::Message()
                         << "hook " << static_cast<int>(route.hook) << " action "
                         << static_cast<int>(action) << " reload " << toString(route.type));
            makePresenter();
            source->cards = true;
            auto list = annotations(7, 10);
            for (std::size_t i = 0; i < 3; ++i) list.push_back(annotation(100.0 + i, 200));
            if (route.prepared) presenter->reload(list, ReloadType::annotationsChanged);
            for (auto& a : list) a->setDistanceFromUser(a->distanceFromUser() + 1);
            auto other = annotations(3, 100);
            std::weak_ptr<ARPresenter> weak = presenter;
            source->hooks->armed = route.hook;
            source->hooks->action = [&, action] {
                if (action == Action::reload)
                    presenter->reload(other, ReloadType::annotationsChanged);
                if (action == Action::clear) presenter->clear();
                if (action == Action::release) presenter.reset();
            };
            ARPresenter* raw = presenter.get();
            raw->reload(list, route.type);
            EXPECT_EQ(source->hooks->action, nullptr) << "hook not reached";
            if (action == Action::release) {
                EXPECT_TRUE(weak.expired());
                continue;
            }
            ASSERT_TRUE(presenter);
            // The nested call's outcome stands: the outer pass stopped where the lists changed.
            const auto& expected = action == Action::reload ? other : ARPresenter::AnnotationList{};
            EXPECT_EQ(presenter->annotations(), expected);
            EXPECT_EQ(presenter->annotationViews().size(), expected.size());
            EXPECT_EQ(presenter->subviews().size(), expected.size());
            for (const auto& child : presenter->subviews()) {
                auto view = std::dynamic_pointer_cast<CountingView>(child);
                ASSERT_TRUE(view && view->annotation());
                EXPECT_NE(std::find(other.begin(), other.end(), view->annotation()), other.end());
                EXPECT_EQ(view->configured, 1);  // placed by the nested reload only
            }
            device.advance(1);
        }
    }
}

// Stacking works on frames directly; these tests set them by hand.
class StackingTest : public PresenterTest {
  protected:
    std::vector<std::shared_ptr<ARAnnotationView>> viewsWithFrames(
        const std::vector<Rect>& frames) {
        auto list = annotations(frames.size());
        presenter->reload(list, ReloadType::annotationsChanged);
        std::vector<std::shared_ptr<ARAnnotationView>> views;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            views.push_back(list[i]->annotationView());
            views.back()->setFrame(frames[i]);
        }
        return views;
    }
};

TEST_F(StackingTest, ViewsMoveUpAboveTheViewsBelowThem) {
    // h = 6.25 points per degree: a full turn is 2250 points, the seams at 1312.5 and -937.5.
    // A view whose right edge lies within its width of the right seam is also tested one turn
    // to the left; one whose left edge lies within its width of the left seam one turn right.
    const double seamX = 1312.5 - 60, nearRight = 1312.5 - 80 - 10, nearLeft = -937.5 + 80 - 12,
                 clear = 1312.5 - 160 - 1;
    struct Case {
        const char* what;
        std::vector<Rect> frames;
        std::vector<double> offsets;
    };
    const Case cases[] = {
        {"two equal views", {{100, 300, 80, 50}, {100, 300, 80, 50}}, {0, -55}},
        {"A, B, C", {{100, 300, 80, 50}, {110, 280, 80, 50}, {120, 260, 80, 50}}, {0, -35, -70}},
        {"apart", {{0, 300, 80, 50}, {100, 300, 80, 50}}, {0, 0}},
        {"touching", {{100, 300, 80, 50}, {100, 250, 80, 50}, {100, 350, 80, 50}}, {0, 0, 0}},
        {"seam copy", {{seamX - 2250, 300, 80, 50}, {seamX, 290, 80, 50}}, {0, -45}},
        {"right seam", {{nearRight - 2250, 300, 80, 50}, {nearRight, 290, 80, 50}}, {0, -45}},
        {"left seam", {{nearLeft + 2250, 300, 80, 50}, {nearLeft, 290, 80, 50}}, {0, -45}},
        // An empty frame sends the whole layout through the written stacking.
        {"right seam, written",
         {{nearRight - 2250, 300, 80, 50}, {nearRight, 290, 80, 50}, {0, 500, 0, 0}},
         {0, -45, 0}},
        {"clear of the seams", {{clear - 2250, 300, 80, 50}, {clear, 290, 80, 50}}, {0, 0}},
    };
    for (const auto& c : cases) {
        auto views = viewsWithFrames(c.frames);
        presenter->stackAnnotationViews();
        for (std::size_t i = 0; i < views.size(); ++i) {
            EXPECT_EQ(views[i]->arStackOffset.y, c.offsets[i]) << c.what << " view " << i;
            EXPECT_EQ(views[i]->frame().y(), c.frames[i].y() + c.offsets[i]) << c.what;
        }
        presenter->clear();
    }
}

// The stacking as first written (every view against every view before it, scan after scan),
// for comparing the presenter's with.
void referenceStacking(std::vector<ARAnnotationView*> order, double h, double width) {
    std::stable_sort(order.begin(), order.end(),
                     [](auto* a, auto* b) { return a->frame().y() > b->frame().y(); });
    const double turn = h * 360, right = turn / 2 + width / 2, left = width / 2 - turn / 2;
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto& v = *order[i];
        const Rect start = v.frame();
        bool alternate = true;
        if (right - start.width() < start.x() + start.width()) {
            v.arStackAlternateFrame = offsetBy(start, -turn, 0);
        } else if (start.x() < left + start.width()) {
            v.arStackAlternateFrame = offsetBy(start, turn, 0);
        } else {
            alternate = false;
        }
        for (bool moved = true; moved;) {
            moved = false;
            for (std::size_t j = 0; j < i; ++j) {
                const Rect o = order[j]->frame();
                if (intersects(v.frame(), o) ||
                    (alternate && intersects(v.arStackAlternateFrame, o))) {
                    v.setFrame({v.frame().x(), o.y() - v.frame().height() - 5, v.frame().size.width,
                                v.frame().height()});
                    v.arStackAlternateFrame.origin.y = v.frame().y();
                    moved = true;
                }
            }
        }
        v.arStackOffset.y = v.frame().y() - start.y();
    }
}

TEST_F(StackingTest, MatchesTheStraightforwardStackingOnRandomLayouts) {
    std::mt19937_64 engine(0x57ac);
    const auto between = [&](double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(engine() >> 11) * 0x1p-53;
    };
    for (int layout = 0; layout < 60; ++layout) {
        // Crowded and sparse layouts across both seams; ties in y; some with empty or
        // non-finite frames, which take the written stacking.
        const auto n = static_cast<std::size_t>(between(2, layout < 50 ? 90 : 12));
        const double spread = layout % 3 == 0 ? 400 : 2600;
        std::vector<Rect> frames;
        for (std::size_t i = 0; i < n; ++i) {
            Rect f{between(-1300, -1300 + spread), between(0, 400), between(40, 170),
                   between(30, 100)};
            if (layout % 2 == 0) {  // on a 5-point grid: views that touch exactly
                for (double* v : {&f.origin.x, &f.origin.y, &f.size.width, &f.size.height})
                    *v = 5 * std::round(*v / 5);
            }
            frames.push_back(f);
        }
        if (layout >= 50) frames[0].size.height = layout % 2 ? 0 : std::nan("");
        auto views = viewsWithFrames(frames);
        presenter->stackAnnotationViews();
        std::vector<std::tuple<Rect, Point, Rect>> fast;
        for (const auto& v : views)
            fast.emplace_back(v->frame(), v->arStackOffset, v->arStackAlternateFrame);

        std::vector<ARAnnotationView*> raw;
        for (std::size_t i = 0; i < views.size(); ++i) {
            views[i]->setFrame(frames[i]);
            views[i]->arStackOffset = {};
            views[i]->arStackAlternateFrame = {};
            raw.push_back(views[i].get());
        }
        referenceStacking(raw, controller->status.hPixelsPerDegree, presenter->frame().width());
        for (std::size_t i = 0; i < views.size(); ++i) {
            const auto& [frame, offset, alternate] = fast[i];
            // Bitwise, NaN included.
            EXPECT_EQ(std::memcmp(&frame, &views[i]->frame(), sizeof frame), 0)
                << layout << " " << i;
            EXPECT_EQ(std::memcmp(&offset, &views[i]->arStackOffset, sizeof offset), 0) << layout;
            EXPECT_EQ(std::memcmp(&alternate, &views[i]->arStackAlternateFrame, sizeof alternate),
                      0)
                << layout;
        }
        presenter->clear();
    }
}

TEST_F(StackingTest, OffsetsPersistThroughPlacementUntilTheNextRebuild) {
    presenter->verticalStackingEnabled = true;
    // Two main annotations 40 degrees apart with the same stored height: their cards overlap.
    ARPresenter::AnnotationList list{std::make_shared<HeightAnnotation>(300, 300),
                                     std::make_shared<HeightAnnotation>(300, 300)};
    list[0]->setDistanceFromUser(100);
    list[0]->setAzimuth(10);
    list[1]->setDistanceFromUser(100);
    list[1]->setAzimuth(50);
    presenter->reload(list, ReloadType::annotationsChanged);
    auto a = list[0]->annotationView();
    auto b = list[1]->annotationView();
    const double height = a->frame().height();
    EXPECT_DOUBLE_EQ(a->frame().y() - b->frame().y(), height + 5);
    EXPECT_EQ(a->arStackOffset.y, 0);
    EXPECT_DOUBLE_EQ(b->arStackOffset.y, -(height + 5));

    controller->status.heading = 30;
    presenter->reload(list, ReloadType::headingChanged);
    EXPECT_DOUBLE_EQ(b->arStackOffset.y, -(height + 5));
    EXPECT_DOUBLE_EQ(a->frame().y() - b->frame().y(), height + 5);

    // A rebuild with stacking off resets nothing and stacks nothing.
    presenter->verticalStackingEnabled = false;
    presenter->reload(list, ReloadType::annotationsChanged);
    EXPECT_DOUBLE_EQ(b->arStackOffset.y, -(height + 5));
    presenter->resetStackParameters();
    for (const auto& view : presenter->annotationViews()) {
        EXPECT_EQ(view->arStackOffset, (Point{0, 0}));
        EXPECT_EQ(view->arStackAlternateFrame, Rect{});
    }
}

TEST_F(PresenterTest, DistanceOffsetParametersPerMode) {
    presenter->setFrame({0, 0, 375, 800});
    using M = DistanceOffsetMode;
    struct Case {
        M mode;
        std::vector<double> distances;  // of the active annotations
        double threshold, multiplier;   // from 3 and 7
    } const cases[] = {
        {M::automatic, {100, 600, 1100}, 100, 0.41},  // (800 x 0.55 - 30) / 1000
        {M::automatic, {250, 250}, 250, 0},
        {M::automatic, {}, 3, 7},
        {M::automaticOffsetMinDistance, {100, 600, 1100}, 100, 7},
        {M::none, {100, 1100}, 3, 7},
        {M::manual, {100, 1100}, 3, 7},
    };
    for (const auto& c : cases) {
        ARPresenter::AnnotationList list;
        for (double d : c.distances) list.push_back(annotation(d, 10));
        presenter->clear();
        presenter->reload(list, ReloadType::annotationsChanged);
        presenter->distanceOffsetMode = c.mode;
        presenter->distanceOffsetMinThreshold = 3;
        presenter->distanceOffsetMultiplier = 7;
        presenter->adjustDistanceOffsetParameters();
        EXPECT_EQ(presenter->distanceOffsetMinThreshold, c.threshold);
        EXPECT_DOUBLE_EQ(*presenter->distanceOffsetMultiplier, c.multiplier);
    }
}

}  // namespace
}  // namespace arquorel
