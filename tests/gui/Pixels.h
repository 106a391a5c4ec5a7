#pragma once
// Reading the wave window's picture in tests: the pure colours it draws in,
// and whether a colour stands anywhere in an area.

#include <QImage>
#include <QRect>

namespace pixels {

inline const QRgb kBlue = qRgb(0, 0, 255);
inline const QRgb kRed = qRgb(255, 0, 0);
inline const QRgb kBlack = qRgb(0, 0, 0);
inline const QRgb kWhite = qRgb(255, 255, 255);

inline bool AnyIn(const QImage &image, QRect area, QRgb colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == colour)
                return true;
    return false;
}

} // namespace pixels
