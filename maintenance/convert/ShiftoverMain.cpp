// Shiftover, the converter.
#include "maintenance/convert/CvtApp.h"

CCvtApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
