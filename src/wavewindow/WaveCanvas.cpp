#include "wavewindow/WaveCanvas.h"

#include "settings/Settings.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

// Pure colours, so the ring's AND with the picture gives exact results.
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

void UsePen(QPainter &painter, const QColor &colour) {
    painter.setPen(QPen(colour, 1));
    painter.setBrush(Qt::NoBrush);
}

// At 1x Qt puts a 1-pixel line on the pixels right of and below its
// coordinates; a wider pen (a 1-pixel line at a higher ratio) is centred on
// them and would straddle two logical pixels. Half a logical pixel along
// puts each line on the device pixels of the logical pixel it has at 1x.
void OnLogicalPixels(QPainter &painter, qreal ratio) {
    if (ratio != 1)
        painter.translate(0.5, 0.5);
}

} // namespace

WaveCanvas::WaveCanvas(QSize size, const QFont &face, qreal devicePixelRatio)
    : plotWidth(size.width() - 30), paneHalfHeight((size.height() - 10) / 4),
      axisY(2 * paneHalfHeight + 5), size_(size), face_(face) {
    SetDevicePixelRatio(devicePixelRatio);
}

void WaveCanvas::SetDevicePixelRatio(qreal ratio) {
    image_ = QImage(size_ * ratio, QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);
    image_.fill(Qt::white);
    if (scene_.axes)
        PaintAxes();
    if (!scene_.wave.empty())
        PaintWave();
    for (const auto &[side, value] : scene_.rings)
        PaintRing(side, value);
    Repaint();
}

void WaveCanvas::Repaint() {
    if (repaint)
        repaint();
}

void WaveCanvas::ClearPicture() {
    image_.fill(Qt::white);
    scene_.axes = false;
    scene_.wave.clear();
    scene_.rings.clear();
}

void WaveCanvas::DrawTimeAxis(QPainter &painter) const {
    UsePen(painter, Qt::black);
    painter.drawLine(0, axisY, plotWidth, axisY);
    painter.drawLine(plotWidth / 2, axisY - 5, plotWidth / 2, axisY + 5);
}

void WaveCanvas::DrawLabel(QPainter &painter, int32_t x, int32_t y, int pointSize,
                           const QString &text) const {
    const QFont font = LabelFont(pointSize);
    painter.setFont(font);
    UsePen(painter, Qt::black);
    painter.drawText(x, y + QFontMetrics(font, &image_).ascent(), text);
}

QFont WaveCanvas::LabelFont(int pointSize) const {
    QFont font = face_;
    font.setPointSize(pointSize);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

int32_t WaveCanvas::TimeLabelX(const QString &label) const {
    // The label stands just right of the plot; a long one ("100ms", "500ms")
    // is moved left only as far as it takes to stay whole in the picture.
    const int32_t width = QFontMetrics(LabelFont(8), &image_).horizontalAdvance(label);
    return std::min(plotWidth + 1, std::max(int32_t{0}, size_.width() - width));
}

void WaveCanvas::DrawTimeLabel(QPainter &painter) const {
    DrawLabel(painter, TimeLabelX(timeLabel_), axisY - 3, 8, timeLabel_);
}

void WaveCanvas::DrawPaneFrame(QPainter &painter, int32_t channel) const {
    const int32_t h = paneHalfHeight;
    const int32_t zero = ZeroLine(channel);
    UsePen(painter, Qt::black);
    painter.drawLine(0, zero, plotWidth, zero);
    painter.drawLine(plotWidth, zero - h, plotWidth, zero + h);
    for (int32_t k = 1; k <= 3; ++k) {
        const int32_t offset = h * 10000 * k / 32767;
        const QString amount = QString::number(10000 * k);
        DrawLabel(painter, plotWidth + 1, zero - offset, 6, amount);
        DrawLabel(painter, plotWidth + 1, zero + offset, 6, QLatin1Char('-') + amount);
    }
}

void WaveCanvas::DrawAxes(int32_t channelCount, const QString &label) {
    ClearPicture();
    scene_.axes = true;
    scene_.axesChannels = channelCount;
    timeLabel_ = label;
    PaintAxes();
    Repaint();
}

void WaveCanvas::PaintAxes() {
    QPainter painter(&image_);
    OnLogicalPixels(painter, devicePixelRatio());
    DrawTimeAxis(painter);
    DrawTimeLabel(painter);
    DrawLabel(painter, 1, axisY - 3, 8, QStringLiteral("0"));
    DrawLabel(painter, plotWidth + 4, paneHalfHeight, 9, QStringLiteral("L"));
    DrawLabel(painter, plotWidth + 4, 3 * paneHalfHeight + 10, 9, QStringLiteral("R"));
    for (int32_t channel = 0; channel < scene_.axesChannels; ++channel)
        DrawPaneFrame(painter, channel);
}

void WaveCanvas::DrawWave(const int16_t *values, int32_t count, int32_t coarseness,
                          int32_t channelCount) {
    if (coarseness > kArasaMaxDrawn || coarseness < 1 || channelCount < 1 || count < 1)
        return;
    scene_.wave.assign(values, values + count);
    scene_.coarseness = coarseness;
    scene_.waveChannels = channelCount;
    scene_.rings.clear(); // the plot is cleared under them
    PaintWave();
    Repaint();
}

void WaveCanvas::PaintWave() {
    const int16_t *values = scene_.wave.data();
    const auto count = int32_t(scene_.wave.size());
    const int32_t channelCount = scene_.waveChannels;
    const int32_t step = scene_.coarseness * channelCount;
    QPainter painter(&image_);
    painter.fillRect(QRect(0, 0, plotWidth, size_.height()), Qt::white);
    OnLogicalPixels(painter, devicePixelRatio());
    DrawTimeAxis(painter);
    // A long label reaches into the plot, so the clearing above took its left part.
    DrawTimeLabel(painter);
    for (int32_t channel = 0; channel < channelCount && channel < count; ++channel) {
        const int32_t zero = ZeroLine(channel);
        UsePen(painter, Qt::black);
        painter.drawLine(0, zero, plotWidth, zero);
        UsePen(painter, kBlue);
        QPoint last(0, zero - values[channel] / Divisor());
        for (int32_t o = 0; channel + o < count; o += step) {
            const QPoint next(int32_t(int64_t{o} * plotWidth / count),
                              zero - values[channel + o] / Divisor());
            painter.drawLine(last, next);
            last = next;
        }
    }
}

void WaveCanvas::MarkClick(const QString &side, int32_t value) {
    scene_.rings.emplace_back(side, value);
    PaintRing(side, value);
    Repaint();
}

void WaveCanvas::PaintRing(const QString &side, int32_t value) {
    const int32_t h = paneHalfHeight;
    const int32_t x = 64 * plotWidth / 128;
    const int32_t zero = ZeroLine(side == QStringLiteral("R") ? 1 : 0);
    const int32_t y = zero - value * h / 32767;
    QPainter painter(&image_);
    OnLogicalPixels(painter, devicePixelRatio());
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    UsePen(painter, kRed);
    painter.drawEllipse(QPoint(x, y), 3, 3);
}

void WaveCanvas::DrawClickView(const int16_t *values, int32_t count, int32_t channelCount) {
    DrawAxes(channelCount, kClickViewLabel);
    DrawWave(values, count, 1, channelCount);
}
