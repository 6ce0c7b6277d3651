// Code page 949 by the table built into the program (Cp949Runs.h): the C
// library's conversion modules may be missing where the program runs.
#include "platform/runtime/CodePage.h"
#include "platform/runtime/Cp949Runs.h"

TCp949PairConverter Cp949PairConverter() {
  return BuiltInCp949Character;
}
