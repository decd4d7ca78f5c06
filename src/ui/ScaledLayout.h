#pragma once

class QWidget;

// Places controls by the pixel positions of the design (96 dpi, a small system
// font), scaled up with a larger font so that no text is cut.
class ScaledLayout {
public:
    explicit ScaledLayout(const QWidget& reference);

    void Place(QWidget* widget, int left, int top, int width, int height) const;
    int Scaled(int pixels) const;

private:
    double scale_;
};
