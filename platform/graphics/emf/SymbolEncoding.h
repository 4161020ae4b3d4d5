#pragma once
// The single-byte encoding of the Symbol font, which drawings use for Greek letters and mathematical signs:
// its text stores "D" for a capital delta. Fonts found here carry those glyphs under their Unicode values.

// The Unicode character shown for Code of a Symbol-font string (a byte, or a byte moved to U+F0xx as
// Unicode strings store them); other values are returned unchanged.
char16_t SymbolToUnicode(char16_t Code);
