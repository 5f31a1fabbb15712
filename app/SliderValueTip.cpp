#include "app/SliderValueTip.h"

#include <QCursor>
#include <QSlider>
#include <QToolTip>

QString sliderValueText(int value, SliderUnit unit) {
    switch (unit) {
    case SliderUnit::PerCent:
        return QStringLiteral("%1 %").arg(value);
    case SliderUnit::Pixels:
        return value == 1 ? QStringLiteral("1 píxel") : QStringLiteral("%1 píxeles").arg(value);
    }
    return QString::number(value);
}

void showValueWhileDragging(QSlider* slider, SliderUnit unit) {
    auto show = [slider, unit] {
        const QString text = sliderValueText(slider->value(), unit);
        slider->setToolTip(text);
        if (slider->isSliderDown())
            QToolTip::showText(QCursor::pos(), text, slider);
    };
    show();
    // Also when code or a new range moves the value: the tooltip never says an old one.
    QObject::connect(slider, &QSlider::valueChanged, slider, show);
    QObject::connect(slider, &QSlider::sliderPressed, slider, show);
}
