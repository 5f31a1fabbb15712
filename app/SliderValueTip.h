#pragma once

#include <QString>

class QSlider;

// What a slider's value stands for.
enum class SliderUnit { Pixels, PerCent };

// The value as its tooltip says it: "550 píxeles", "70 %".
QString sliderValueText(int value, SliderUnit unit);

// The slider's tooltip says its value, and shows it beside the pointer while the slider is
// dragged.
void showValueWhileDragging(QSlider* slider, SliderUnit unit);
