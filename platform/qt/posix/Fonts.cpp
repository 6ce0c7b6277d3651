#include "platform/qt/Fonts.h"

#include <QFont>
#include <QStringList>

// Linux has no Tahoma: a face of similar width, then faces with the control
// pictures that received bytes show and with Hangul.
void SubstituteTahoma() {
  if (!QFont::substitutes("Tahoma").isEmpty()) return;
  QFont::insertSubstitutions("Tahoma",
                             {"DejaVu Sans Condensed", "DejaVu Sans", "FreeSans", "NanumGothic"});
}
