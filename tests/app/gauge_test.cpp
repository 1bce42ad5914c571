#include "gauge.h"

#include <gtest/gtest.h>

namespace {

using k5::app::TGauge;

TEST(Gauge, WholePerCentWithClamping) {
    TGauge g;
    EXPECT_EQ(g.MaxValue(), 1000);
    g.SetProgress(999);
    EXPECT_EQ(g.PercentDone(), 99);
    g.SetProgress(5000);
    EXPECT_EQ(g.Progress(), 1000);
    EXPECT_EQ(g.PercentDone(), 100);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
    g.SetMaxValue(131024);
    g.SetProgress(131024 / 3);
    EXPECT_EQ(g.PercentDone(), 33);
    g.SetMaxValue(0);
    EXPECT_EQ(g.Progress(), 0);
    EXPECT_EQ(g.PercentDone(), 0);
}

TEST(Gauge, LowerMaximumPullsThePositionDown) {
    TGauge g;
    g.SetProgress(800);
    g.SetMaxValue(500);
    EXPECT_EQ(g.Progress(), 500);
    EXPECT_EQ(g.PercentDone(), 100);
}

TEST(Gauge, RedrawsOnlyWhenThePerCentOrTheMaximumChanges) {
    TGauge g;
    g.SetMaxValue(1000);
    const int afterMax = g.RedrawRequests();
    g.SetProgress(1);
    g.SetProgress(9);  // still 0 %
    EXPECT_EQ(g.RedrawRequests(), afterMax);
    g.SetProgress(10);  // 1 %
    EXPECT_EQ(g.RedrawRequests(), afterMax + 1);
    g.SetProgress(19);
    EXPECT_EQ(g.RedrawRequests(), afterMax + 1);
    g.SetMaxValue(1000);  // a maximum always redraws
    EXPECT_EQ(g.RedrawRequests(), afterMax + 2);
}

TEST(Gauge, PaintsLimeFromTheLeftWithTheCentredPercent) {
    TGauge g;
    g.resize(200, 17);
    g.SetMaxValue(100);
    g.SetProgress(25);
    const QImage image = g.grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 3), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(60, 3), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(190, 3), QColor(Qt::white));
}

}  // namespace
