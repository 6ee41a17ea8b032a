#include "K7QBld.h"

int main(int argc, char** argv) { return CK7QBldApp::Run(argc, argv); }
