// The windows on a high-DPI screen. These run in the "at 2x" CTest entry,
// where QT_SCALE_FACTOR=2 makes the offscreen screen's device pixel ratio 2;
// at 1x there is nothing to see and they are skipped.

#include "Pixels.h"
#include "TForm1Fixture.h"
#include "wavewindow/TForm2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>

namespace {

using namespace pixels;

class HighDpiTest : public TForm1Fixture {
protected:
    void SetUp() override {
        if (qApp->devicePixelRatio() < 2)
            GTEST_SKIP() << "needs a screen at twice the resolution (QT_SCALE_FACTOR=2)";
        TForm1Fixture::SetUp();
    }
    void TearDown() override {
        wave.reset();
        TForm1Fixture::TearDown();
    }
    std::unique_ptr<TForm2> wave;
};

TEST_F(HighDpiTest, TheWaveWindowShowsItsPictureAtTheScreensResolution) {
    WriteBytes(QStringLiteral("take.wav"), testwav::MakeWav(SineWithSpikes(10000, {4000})));
    StartIn();
    wave = std::make_unique<TForm2>(*form);
    form->waveWindow = wave.get();
    Select({"take.wav"});
    form->cdCheck->click();
    form->StringGrid1->setCurrentCell(0, 1);
    form->cdView->click();
    ASSERT_TRUE(wave->isVisible());

    // Laid out in logical pixels, drawn and shown in device pixels.
    EXPECT_EQ(wave->Image1->size(), QSize(361, 433));
    const QImage &image = wave->canvas->image();
    EXPECT_EQ(image.size(), QSize(722, 866));
    const QPixmap shown = wave->Image1->pixmap();
    EXPECT_EQ(shown.size(), QSize(722, 866));
    EXPECT_EQ(shown.devicePixelRatio(), 2);
    // The ring on the left click (20000 stands 64 pixels above the zero line
    // at 105): its left edge at logical (162, 41), device (324..325, 82..83).
    EXPECT_EQ(image.pixel(324, 82), kRed);
    EXPECT_EQ(image.pixel(325, 83), kRed);
}

} // namespace
