#pragma once
// The font of the editor's windows.

#include <QFont>

// "ＭＳ Ｐゴシック" 12 pixels high, falling back to IPAPGothic and then to any font that writes Japanese,
// so every caption renders where the first is not installed.
QFont InterfaceFont();

// Whether an installed font writes Japanese; without one every caption of the interface is boxes.
bool JapaneseFontInstalled();
