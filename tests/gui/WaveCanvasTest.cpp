// The wave window's picture, read pixel by pixel: where values, rings and
// labels land, and what each drawing step leaves alone.

#include "Pixels.h"
#include "wavewindow/WaveCanvas.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace pixels;

class WaveCanvasTest : public ::testing::Test {
protected:
    QRgb At(int x, int y) const { return canvas.image().pixel(x, y); }
    // 128 frames, every left value left, every right value right.
    static std::vector<int16_t> Flat(int16_t left, int16_t right) {
        std::vector<int16_t> values;
        for (int f = 0; f < 128; ++f)
            values.insert(values.end(), {left, right});
        return values;
    }
    void View(const std::vector<int16_t> &values) {
        canvas.DrawClickView(values.data(), int32_t(values.size()), 2);
    }
    bool AnyIn(QRect area, QRgb colour) const { return pixels::AnyIn(canvas.image(), area, colour); }
    WaveCanvas canvas{QSize(361, 433), QApplication::font()};
};

TEST_F(WaveCanvasTest, FullScaleStandsOnePaneHalfFromItsZeroLine) {
    EXPECT_EQ(canvas.plotWidth, 331);
    EXPECT_EQ(canvas.paneHalfHeight, 105);
    EXPECT_EQ(canvas.axisY, 215);
    View(Flat(32767, -32768));
    EXPECT_EQ(At(100, 0), kBlue);
    EXPECT_EQ(At(100, 1), kWhite);
    EXPECT_EQ(At(100, 430), kBlue);
    EXPECT_EQ(At(100, 429), kWhite);
    EXPECT_EQ(At(100, 105), kBlack); // the zero lines stay
    EXPECT_EQ(At(100, 325), kBlack);
}

TEST_F(WaveCanvasTest, EachChannelsLineStartsAtItsOwnFirstValue) {
    std::vector<int16_t> values = Flat(0, 0);
    values[0] = 3120;  // 10 pixels up
    values[1] = -6240; // 20 pixels down
    View(values);
    EXPECT_EQ(At(0, 95), kBlue);
    EXPECT_EQ(At(0, 345), kBlue);
    EXPECT_FALSE(AnyIn(QRect(0, 306, 1, 16), kBlue)); // not from the left's first value
}

TEST_F(WaveCanvasTest, TheRingMarksTheClicksPaneAndHeightAndLetsTheWaveThrough) {
    View(Flat(0, 0));
    // 325 - 3120 * 105 / 32767 = 316
    canvas.MarkClick(QStringLiteral("R"), 3120);
    EXPECT_EQ(At(162, 316), kRed);
    EXPECT_EQ(At(168, 316), kRed);
    EXPECT_EQ(At(165, 313), kRed);
    EXPECT_EQ(At(165, 319), kRed);
    EXPECT_EQ(At(165, 316), kWhite);
    for (const QString &side : {QStringLiteral("L"), QString(), QStringLiteral("r")}) {
        View(Flat(0, 0));
        canvas.MarkClick(side, 3120);
        EXPECT_EQ(At(168, 96), kRed) << side.toStdString();
        EXPECT_FALSE(AnyIn(QRect(0, 220, 361, 213), kRed));
    }
    // At 32760 the wave stands at y 0 (32760 / 312) and the ring's centre at
    // y 1 (32760 x 105 / 32767): where the ring crosses the wave it is black.
    View(Flat(32760, 0));
    canvas.MarkClick(QStringLiteral("L"), 32760);
    EXPECT_EQ(At(168, 1), kRed);
    EXPECT_TRUE(AnyIn(QRect(160, 0, 11, 1), kBlack));
    EXPECT_FALSE(AnyIn(QRect(160, 0, 11, 1), kRed));
}

TEST_F(WaveCanvasTest, WaveRedrawsOnlyThePlotAndCoarseness31DrawsNothing) {
    canvas.DrawAxes(2, QStringLiteral("2.9ms"));
    const QRect zeroLabel(1, 213, 10, 14);
    const QRect strip(332, 0, 29, 433);
    EXPECT_TRUE(AnyIn(zeroLabel.adjusted(0, 3, 0, 0), kBlack));
    const QImage axes = canvas.image();
    const std::vector<int16_t> values = Flat(1000, -1000);
    canvas.DrawWave(values.data(), 256, 31, 2);
    EXPECT_EQ(canvas.image(), axes);
    canvas.DrawWave(values.data(), 256, 16, 2);
    EXPECT_EQ(canvas.image().copy(strip), axes.copy(strip)); // labels kept
    EXPECT_FALSE(AnyIn(QRect(1, 216, 10, 11), kBlack));      // the "0" is wiped
    EXPECT_EQ(At(200, 105 - 3), kBlue);
}

TEST_F(WaveCanvasTest, ALongTimeLabelStaysWholeInsideThePicture) {
    // "500ms" is wider than the 29-pixel strip right of the plot: it is moved
    // left into the plot instead of being cut at the picture's edge, and
    // each block's wave, which clears the plot, leaves it whole.
    canvas.DrawAxes(2, QStringLiteral("500ms"));
    const QRect labelStart(321, 216, 10, 10);
    EXPECT_TRUE(AnyIn(labelStart, kBlack));
    const QImage axes = canvas.image();
    const std::vector<int16_t> silence = Flat(0, 0);
    canvas.DrawWave(silence.data(), 256, 16, 2);
    EXPECT_EQ(canvas.image().copy(labelStart), axes.copy(labelStart));
}

// --- high-DPI screens: the same layout, drawn at the screen's resolution ---

class WaveCanvasAtTwiceTest : public WaveCanvasTest {
protected:
    // The click view of a flat wave (left 32767, right 0) with the ring on a
    // right-channel click of 3120, at the given ratio.
    static QImage Drawn(qreal ratio) {
        WaveCanvas drawn(QSize(361, 433), QApplication::font(), ratio);
        const std::vector<int16_t> values = Flat(32767, 0);
        drawn.DrawClickView(values.data(), int32_t(values.size()), 2);
        drawn.MarkClick(QStringLiteral("R"), 3120);
        return drawn.image();
    }
    // The device pixels of logical pixel (x, y) at ratio 2 all have colour.
    static bool Covered(const QImage &image, int x, int y, QRgb colour) {
        return image.pixel(2 * x, 2 * y) == colour && image.pixel(2 * x + 1, 2 * y) == colour &&
               image.pixel(2 * x, 2 * y + 1) == colour &&
               image.pixel(2 * x + 1, 2 * y + 1) == colour;
    }
};

TEST_F(WaveCanvasAtTwiceTest, EachLogicalPixelIsTwoByTwoDevicePixelsOfTheSameLayout) {
    const QImage image = Drawn(2);
    EXPECT_EQ(image.size(), QSize(722, 866));
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(361, 433));
    struct Point {
        const char *what;
        int x, y;
        QRgb colour;
    };
    const Point points[] = {
        {"left full scale", 100, 0, kBlue},  {"right zero line", 100, 325, kBlue},
        {"time axis", 50, 215, kBlack},      {"centre tick", 165, 211, kBlack},
        {"pane edge", 331, 50, kBlack},      {"ring left", 162, 316, kRed},
        {"ring top", 165, 313, kRed},        {"inside the ring", 165, 316, kWhite},
        {"above the axis", 50, 214, kWhite}, {"below the axis", 50, 216, kWhite},
        {"left of the edge", 330, 50, kWhite},
    };
    for (const Point &p : points)
        EXPECT_TRUE(Covered(image, p.x, p.y, p.colour)) << p.what;
}

TEST_F(WaveCanvasAtTwiceTest, LabelsAndRingAreDrawnAtTheFinerResolution) {
    // A 1x picture scaled up is made of whole 2x2 blocks; the labels and the
    // ring drawn at 2x have edges inside such blocks.
    const QImage image = Drawn(2);
    const auto hasFinerEdge = [&image](QRect logical) {
        for (int y = logical.top(); y <= logical.bottom(); ++y)
            for (int x = logical.left(); x <= logical.right(); ++x)
                if (!Covered(image, x, y, image.pixel(2 * x, 2 * y)))
                    return true;
        return false;
    };
    EXPECT_TRUE(hasFinerEdge(QRect(332, 0, 29, 433)));  // amplitude labels, "L", "R"
    EXPECT_TRUE(hasFinerEdge(QRect(158, 309, 15, 15))); // the ring
}

TEST_F(WaveCanvasAtTwiceTest, AnotherRatioDrawsTheSamePictureAgain) {
    // Moved to a 2x screen and back: what a canvas drawn there shows, not a
    // scaled copy, and after the way back the 1x picture exactly.
    WaveCanvas moved(QSize(361, 433), QApplication::font());
    int repaints = 0;
    moved.repaint = [&repaints] { ++repaints; };
    const std::vector<int16_t> values = Flat(32767, 0);
    moved.DrawClickView(values.data(), int32_t(values.size()), 2);
    moved.MarkClick(QStringLiteral("R"), 3120);
    const QImage atOne = moved.image();
    EXPECT_EQ(atOne, Drawn(1));
    repaints = 0;
    moved.SetDevicePixelRatio(2);
    EXPECT_EQ(moved.image(), Drawn(2));
    EXPECT_EQ(repaints, 1);
    moved.SetDevicePixelRatio(1);
    EXPECT_EQ(moved.image(), atOne);
}

} // namespace
