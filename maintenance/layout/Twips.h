#pragma once

namespace zel::ui {

// Window and control sizes of the program were laid out in twips (1/1440 inch); on screen
// 15 twips make one pixel. Conversions round to the nearest whole pixel.
inline constexpr int TwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips)
{
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

constexpr int PixelsToTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

} // namespace zel::ui
