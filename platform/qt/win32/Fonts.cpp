#include "platform/qt/Fonts.h"

#include <QFont>
#include <QStringList>

// Windows has Tahoma, without Hangul: Windows' own Korean faces for it (Malgun
// Gothic on every Windows since Vista, Gulim with the Korean fonts) before
// the faces Qt would try on its own.
void SubstituteTahoma() {
  if (!QFont::substitutes("Tahoma").isEmpty()) return;
  QFont::insertSubstitutions("Tahoma", {"Malgun Gothic", "Gulim"});
}
