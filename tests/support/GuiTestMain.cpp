// main() of a test that draws (fonts, text layout, PDF): like the plain test
// main, with a QGuiApplication on the offscreen platform, so no display is needed.
#define TESSARY_GUI_TEST_MAIN
#include "TestMain.cpp"
