// The whole-number scale at which the model's screen fills a window.
#include "platform/pixel/screen_scale.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

// The main dialog's layouts with base units of 7 x 13: 280 x 282 portrait (caption included),
// 372 x 204 landscape.
constexpr ScreenScale::Layouts kLayouts{{160, 166}, {213, 118}};
constexpr Size kBase{7, 13};

TEST(ScreenScaleTest, TheLargestWholeScaleAtWhichTheLayoutForTheShapeFits)
{
    const ScreenScale phone = ScreenScale::Fit({1080, 2340}, kBase, kLayouts);
    EXPECT_EQ(phone.Scale(), 3) << "1080 / 280 = 3.86 across, 2340 / 282 = 8.3 down";
    EXPECT_EQ(phone.Screen(), (Size{360, 780}));
    EXPECT_EQ(phone.Origin(), (Point{0, 0}));

    const ScreenScale turned = ScreenScale::Fit({2340, 1080}, kBase, kLayouts);
    EXPECT_EQ(turned.Scale(), 5) << "2340 / 372 = 6.3 across, 1080 / 204 = 5.3 down";
    EXPECT_EQ(turned.Screen(), (Size{468, 216}));
    EXPECT_EQ(turned.Origin(), (Point{0, 0}));
}

TEST(ScreenScaleTest, WhatIsLeftOverIsSharedOnBothSides)
{
    const ScreenScale fitted = ScreenScale::Fit({845, 861}, kBase, kLayouts);
    ASSERT_EQ(fitted.Scale(), 3);
    EXPECT_EQ(fitted.Screen(), (Size{281, 287}));
    EXPECT_EQ(fitted.Origin(), (Point{1, 0})) << "845 - 843 = 2 and 861 - 861 = 0, halved";
    EXPECT_EQ(fitted.ToDevice({10, 20, 25, 34}), (Rect{31, 60, 76, 102}));
    EXPECT_EQ(fitted.ToModel({31, 60}), (Point{10, 20}));
    EXPECT_EQ(fitted.ToModel({33, 62}), (Point{10, 20})) << "a model pixel covers 3 x 3";
    EXPECT_EQ(fitted.ToModel({0, 0}), (Point{-1, 0})) << "left of the screen is outside it";
}

TEST(ScreenScaleTest, TheShapeOfTheScreenAtEachScaleDecidesTheLayout)
{
    // At 2, 562 x 562 would be a square, which takes the landscape layout, 372 wide: too
    // wide for 281... no: 372 > 281, so 2 does not fit; at 1 the screen is taller than wide.
    const ScreenScale almostSquare = ScreenScale::Fit({562, 563}, kBase, kLayouts);
    EXPECT_EQ(almostSquare.Scale(), 1);
    // A square screen takes the landscape layout: 744 x 408 fits a 800 x 800 window twice.
    EXPECT_EQ(ScreenScale::Fit({800, 800}, kBase, kLayouts).Scale(), 2);
}

TEST(ScreenScaleTest, AWindowTooSmallForTheDialogStillDrawsItAtOne)
{
    const ScreenScale small = ScreenScale::Fit({100, 50}, kBase, kLayouts);
    EXPECT_EQ(small.Scale(), 1);
    EXPECT_EQ(small.Screen(), (Size{100, 50}));
    EXPECT_EQ(ScreenScale::Fit({0, 0}, kBase, kLayouts).Screen(), (Size{1, 1}));
}

}  // namespace
}  // namespace quorvex
