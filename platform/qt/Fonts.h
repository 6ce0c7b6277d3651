// The faces that stand in for Tahoma, the window's face, where it is missing
// or has no glyph for a character (Hangul, the control pictures): one list
// per system.
#pragma once

// Installs the list once, unless the program gave Tahoma substitutes itself.
void SubstituteTahoma();
