#include "console/widgets/ProgressBar.h"

int SteppedPosition(int position, int step, int minimum, int maximum) {
  const long long next = static_cast<long long>(position) + step;
  if (next <= maximum) return static_cast<int>(next);
  const long long span = static_cast<long long>(maximum) - minimum;
  if (span <= 0) return minimum;
  return static_cast<int>(minimum + (next - minimum) % span);
}

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(false);
}

void TProgressBar::StepIt() {
  setValue(SteppedPosition(value(), FStep, minimum(), maximum()));
}
