// TProgressBar: a progress bar that advances by its step (StepIt) and starts
// over from the beginning when a step passes the maximum. Range 0 to 100 and
// step 10 unless set otherwise; no percentage text.
#pragma once

#include <QProgressBar>

// The position after one step from `position`: position + step, or, when
// that passes `maximum`, the bar starts over from `minimum` carrying what
// the step went past the end (100 + 5 in 0..100 gives 5).
int SteppedPosition(int position, int step, int minimum, int maximum);

class TProgressBar : public QProgressBar {
  Q_OBJECT
  Q_PROPERTY(int Step READ Step WRITE SetStep)

 public:
  explicit TProgressBar(QWidget* parent = nullptr);

  int Step() const { return FStep; }
  void SetStep(int value) { FStep = value; }
  void StepIt();

 private:
  int FStep = 10;
};
