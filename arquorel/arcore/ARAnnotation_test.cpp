#include "arquorel/arcore/ARAnnotation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/arcore/ARAnnotationView.h"

namespace arquorel {
namespace {

TEST(ARAnnotationTest, CreationNeedsAValidCoordinate) {
    for (const Coordinate bad : {Coordinate{100, 0}, Coordinate{-90.5, 0}, Coordinate{0, 180.0001},
                                 Coordinate{0, -200}, Coordinate{NAN, 0}, Coordinate{0, NAN}}) {
        EXPECT_EQ(ARAnnotation::create("id", "title", Location(bad, 0, 0, 0, 0)), nullptr)
            << bad.latitude << ", " << bad.longitude;
    }
    EXPECT_NE(ARAnnotation::create(std::nullopt, std::nullopt, Location(90, 180)), nullptr);
    EXPECT_NE(ARAnnotation::create(std::nullopt, std::nullopt, Location(-90, -180)), nullptr);
}

TEST(ARAnnotationTest, StoresWhatItIsGivenAndStartsInactive) {
    const Location where({45.4642, 9.19}, 120, 8, 4, 1.7e9);
    auto a = ARAnnotation::create("duomo", "Duomo di Milano", where);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->identifier(), "duomo");
    EXPECT_EQ(a->title(), "Duomo di Milano");
    EXPECT_EQ(a->location(), where);
    EXPECT_EQ(a->annotationView(), nullptr);
    EXPECT_EQ(a->distanceFromUser(), 0);
    EXPECT_EQ(a->azimuth(), 0);
    EXPECT_FALSE(a->active());
    EXPECT_EQ(a->verticalPlacementValue(true), std::nullopt);
    EXPECT_EQ(a->verticalPlacementValue(false), std::nullopt);

    auto untitled = ARAnnotation::create(std::nullopt, std::nullopt, where);
    EXPECT_EQ(untitled->identifier(), std::nullopt);
    EXPECT_EQ(untitled->title(), std::nullopt);
}

TEST(ARAnnotationTest, ValidateAndSetLocationKeepsTheOldOneWhenInvalid) {
    auto a = ARAnnotation::create("x", "x", Location(10, 20));
    const Location moved({-33.86, 151.21}, 5, 3, 3, 42);
    EXPECT_TRUE(a->validateAndSetLocation(moved));
    EXPECT_EQ(a->location(), moved);

    for (const Coordinate bad : {Coordinate{91, 0}, Coordinate{0, 181}, Coordinate{NAN, NAN}}) {
        EXPECT_FALSE(a->validateAndSetLocation(Location(bad, 0, 0, 0, 0)));
        EXPECT_EQ(a->location(), moved);
    }
    EXPECT_TRUE(a->validateAndSetLocation(Location(90, -180)));
    EXPECT_EQ(a->location(), Location(90, -180));
}

TEST(ARAnnotationTest, AnnotationAndViewReferToEachOtherWithoutACycle) {
    auto a = ARAnnotation::create("x", "x", Location(10, 20));
    auto view = ARAnnotationView::create({0, 0, 100, 50});
    a->setAnnotationView(view);
    view->setAnnotation(a);
    EXPECT_EQ(view->annotation(), a);
    EXPECT_EQ(a->annotationView(), view);

    std::weak_ptr<ARAnnotationView> watchView = view;
    std::weak_ptr<ARAnnotation> watchAnnotation = a;
    view.reset();
    EXPECT_FALSE(watchView.expired());  // the annotation keeps its view
    a.reset();
    EXPECT_TRUE(watchAnnotation.expired());
    EXPECT_TRUE(watchView.expired());
}

}  // namespace
}  // namespace arquorel
