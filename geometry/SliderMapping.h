#pragma once

// The crop rectangle lives in sliders: size, top and width on a scale of 0 to 1000 of the scan's
// height, positions in image pixels. These turn slider values into image pixels and back.

struct SliderValues {
    int size;  // bottom edge, 0..1000 of the height
    int top;   // top edge, 0..1000 of the height
    int width; // page width, 0..1000 of the width a full-height page of the target shape has
};

struct SelectionPixels {
    double bottom; // LimiteInferior
    int top;       // MargenSuperior
    double width;  // AnchoSeleccion
};

// `heightPx` is the reference scan's height in pixels, `pageAspect` the target page's
// width ÷ height. Every result is taken to a whole number, halves to even.
SelectionPixels selectionFromSliders(const SliderValues& sliders, double heightPx,
                                     double pageAspect);

// The slider value (0..1000 scale) that gives `pixels` of `fullPixels`.
int sliderFromPixels(double pixels, double fullPixels);
