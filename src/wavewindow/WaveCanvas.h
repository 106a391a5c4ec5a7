#pragma once
// The wave window's picture: a stereo waveform in two panes (left above,
// right below) with a time axis between them, drawn on an image the window
// shows. Every coordinate is an integer and every division truncates, so each
// pixel lands where the layout puts it; nothing is antialiased.
//
// The geometry is in the window's logical pixels. On a high-DPI screen the
// image holds devicePixelRatio device pixels per logical pixel and every
// line, label and ring is drawn at that resolution (a 1-pixel line is dpr
// pixels wide), so the picture is as sharp as the rest of the window.
//
// Geometry for a 361 x 433 picture: plotWidth 331, paneHalfHeight 105,
// axisY 215; the left zero line at y 105, the right one at y 325. A value v
// stands at zero line - v / (32767 / paneHalfHeight).

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class WaveCanvas {
public:
    // size in logical pixels; face is the font the labels are written in
    // (the sizes are its own); devicePixelRatio that of the screen shown on.
    WaveCanvas(QSize size, const QFont &face, qreal devicePixelRatio = 1);

    const int32_t plotWidth;      // W: the plot's width; the 30 pixels right of it hold labels
    const int32_t paneHalfHeight; // h
    const int32_t axisY;          // 2h + 5

    // The picture, size() x devicePixelRatio() device pixels.
    const QImage &image() const { return image_; }
    QSize size() const { return size_; }
    qreal devicePixelRatio() const { return image_.devicePixelRatio(); }
    // Draws what the picture shows again at another screen's ratio (the
    // window moved to it), so it is not a copy scaled up or down.
    void SetDevicePixelRatio(qreal ratio);
    // Called when a drawing is complete and should be on screen at once.
    std::function<void()> repaint;

    void ClearPicture();
    // The static frame: time axis with its centre tick, label at its right end
    // and "0" at its left, channel letters, and per pane the zero line, the
    // right edge and the amplitude labels.
    void DrawAxes(int32_t channelCount, const QString &label);
    // Redraws the plot area (the label strip and the time label stay) with
    // one polyline per channel over the first count interleaved values, every
    // coarseness-th frame spread over the plot width. Coarseness above
    // kArasaMaxDrawn draws nothing.
    void DrawWave(const int16_t *values, int32_t count, int32_t coarseness, int32_t channelCount);
    // The red ring at the centre tick, at value's height, in the right pane
    // for side "R" and in the left pane otherwise. Drawn by AND with the
    // picture, so the waveform shows through it.
    void MarkClick(const QString &side, int32_t value);
    // The click view's time label: its 128 frames last 2.9 ms.
    static inline const QString kClickViewLabel = QStringLiteral("2.9ms");
    // The click view: axes labelled kClickViewLabel, then every frame of the block.
    void DrawClickView(const int16_t *values, int32_t count, int32_t channelCount);

private:
    // What the picture shows, so it can be drawn again at another ratio: the
    // last axes, the wave drawn since and the rings marked since.
    struct Scene {
        bool axes = false;
        int32_t axesChannels = 0;
        std::vector<int16_t> wave; // empty: no wave drawn since the axes
        int32_t coarseness = 1;
        int32_t waveChannels = 0;
        std::vector<std::pair<QString, int32_t>> rings; // side and value
    };

    void PaintAxes();
    void PaintWave();
    void PaintRing(const QString &side, int32_t value);
    int32_t Divisor() const { return 32767 / paneHalfHeight; }
    int32_t ZeroLine(int32_t channel) const { return paneHalfHeight + channel * (2 * paneHalfHeight + 10); }
    void DrawTimeAxis(class QPainter &painter) const;
    // Text with its top-left corner at (x, y), at pointSize points of face.
    void DrawLabel(QPainter &painter, int32_t x, int32_t y, int pointSize, const QString &text) const;
    void DrawPaneFrame(QPainter &painter, int32_t channel) const;
    QFont LabelFont(int pointSize) const;
    int32_t TimeLabelX(const QString &label) const;
    void DrawTimeLabel(QPainter &painter) const;
    void Repaint();

    QSize size_;
    QImage image_;
    QFont face_;
    Scene scene_;
    QString timeLabel_; // the last axes' label, drawn again with each wave
};
