#pragma once
// The one application object of the tests: text and widgets need it. Every test that draws
// text or makes a widget calls EnsureApplication first; the object lives until the program ends.

void EnsureApplication();
