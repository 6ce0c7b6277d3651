// The port-bound controls: the property selector combo box (TComComboBox
// with its companion TComSelect) and the signal LED (TComLed with its
// glyphs, TLedBitmap). Qt widgets that are also components.
#pragma once

#include "controls/Bitmap.h"
#include "controls/ComComboBox.h"
#include "controls/ComLed.h"
#include "controls/ComSelect.h"
