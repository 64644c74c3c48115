#pragma once

// Pieces of the print settings' window: the preview of an envelope as the printer will put it on
// its paper, and the box a shift is typed in.

#include "print_settings.h"

#include <QDoubleSpinBox>
#include <QWidget>
#include <string>

// The chosen format's sample envelope with the printer's shift and turn, on the outline of the
// paper: at true size where the screen says how large its pixels are and there is room for it,
// smaller where there is not (the title says how much).
class Preview final : public QWidget
{
public:
    Preview(std::string format, Format_Adjustment adjustment);

    double scale() const { return scale_; } // of true size

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string format_;
    Format_Adjustment adjustment_;
    double px_per_mm_ = 1;
    double scale_ = 1;
};

// A shift in millimetres as people type it: "2.5" or "2,5"; a number beyond the largest shift is
// taken while typing and then set to the largest, with `too_far` told, never dropped digit by
// digit.
class Shift_Box final : public QDoubleSpinBox
{
public:
    explicit Shift_Box(QWidget* parent);

    QValidator::State validate(QString& text, int& position) const override;
    double valueFromText(const QString& text) const override;
    void fixup(QString& text) const override;

    // Says that a number beyond the largest shift was set to it.
    std::function<void(double typed)> too_far;
};
