#pragma once
// Key codes as the screens see them (the classic virtual-key numbers) and the
// shift mask of a key event.
namespace tecla {
inline constexpr int Back = 8, Tab = 9, Enter = 13, Shift = 16, Control = 17, Alt = 18,
                     Pausa = 19, Esc = 27, Espaco = 32, PageUp = 33, PageDown = 34, End = 35,
                     Home = 36, Esquerda = 37, Acima = 38, Direita = 39, Abaixo = 40,
                     Insert = 45, Delete = 46, F1 = 112, F2 = 113, F3 = 114, F4 = 115, F5 = 116,
                     F6 = 117, F7 = 118, F8 = 119, F9 = 120, F10 = 121, F11 = 122, F12 = 123;
// Shift mask bits; AltDireita marks the right Alt key (AltGr), which also sets Alt.
inline constexpr int MascaraShift = 1, MascaraCtrl = 2, MascaraAlt = 4, MascaraAltDireita = 8;
}  // namespace tecla
