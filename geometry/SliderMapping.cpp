#include "geometry/SliderMapping.h"

#include "util/Numbers.h"

SelectionPixels selectionFromSliders(const SliderValues& sliders, double heightPx,
                                     double pageAspect) {
    SelectionPixels px;
    px.bottom = roundHalfEven(sliders.size / 1000.0 * heightPx);
    px.top = roundToInt32(sliders.top / 1000.0 * heightPx);
    px.width = roundHalfEven(sliders.width / 1000.0 * (pageAspect * heightPx));
    return px;
}

int sliderFromPixels(double pixels, double fullPixels) {
    if (!(fullPixels > 0))
        return 0;
    return roundToInt32(1000.0 * pixels / fullPixels);
}
