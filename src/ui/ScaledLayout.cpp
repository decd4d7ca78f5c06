#include "ui/ScaledLayout.h"

#include <QWidget>
#include <algorithm>

ScaledLayout::ScaledLayout(const QWidget& reference) : scale_(std::max(1.0, reference.fontMetrics().height() / 13.0)) {}

void ScaledLayout::Place(QWidget* widget, int left, int top, int width, int height) const
{
    widget->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
}

int ScaledLayout::Scaled(int pixels) const
{
    return int(pixels * scale_);
}
