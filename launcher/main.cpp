#include "plaunch.h"

int main(int argc, char** argv) { return CPlaunchApp::Run(argc, argv); }
