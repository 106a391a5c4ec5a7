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

} // namespace

WaveCanvas::WaveCanvas(QSize size, const QFont &face)
    : plotWidth(size.width() - 30), paneHalfHeight((size.height() - 10) / 4),
      axisY(2 * paneHalfHeight + 5), image_(size, QImage::Format_RGB32), face_(face) {
    image_.fill(Qt::white);
}

void WaveCanvas::Repaint() {
    if (repaint)
        repaint();
}

void WaveCanvas::ClearPicture() {
    image_.fill(Qt::white);
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
    return std::min(plotWidth + 1, std::max(int32_t{0}, image_.width() - width));
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
    QPainter painter(&image_);
    timeLabel_ = label;
    DrawTimeAxis(painter);
    DrawTimeLabel(painter);
    DrawLabel(painter, 1, axisY - 3, 8, QStringLiteral("0"));
    DrawLabel(painter, plotWidth + 4, paneHalfHeight, 9, QStringLiteral("L"));
    DrawLabel(painter, plotWidth + 4, 3 * paneHalfHeight + 10, 9, QStringLiteral("R"));
    for (int32_t channel = 0; channel < channelCount; ++channel)
        DrawPaneFrame(painter, channel);
    painter.end();
    Repaint();
}

void WaveCanvas::DrawWave(const int16_t *values, int32_t count, int32_t coarseness,
                          int32_t channelCount) {
    if (coarseness > kArasaMaxDrawn || coarseness < 1 || channelCount < 1 || count < 1)
        return;
    const int32_t step = coarseness * channelCount;
    QPainter painter(&image_);
    painter.fillRect(QRect(0, 0, plotWidth, image_.height()), Qt::white);
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
    painter.end();
    Repaint();
}

void WaveCanvas::MarkClick(const QString &side, int32_t value) {
    const int32_t h = paneHalfHeight;
    const int32_t x = 64 * plotWidth / 128;
    const int32_t zero = ZeroLine(side == QStringLiteral("R") ? 1 : 0);
    const int32_t y = zero - value * h / 32767;
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    UsePen(painter, kRed);
    painter.drawEllipse(QPoint(x, y), 3, 3);
    painter.end();
    Repaint();
}

void WaveCanvas::DrawClickView(const int16_t *values, int32_t count, int32_t channelCount) {
    DrawAxes(channelCount, kClickViewLabel);
    DrawWave(values, count, 1, channelCount);
}
