#include "K7QBldEditor.h"

int main(int argc, char** argv) { return CK7QBldEditorApp::Run(argc, argv); }
