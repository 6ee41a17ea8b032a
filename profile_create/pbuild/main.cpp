#include "PbuildApp.h"

int main(int argc, char** argv) { return PbuildMain(argc, argv, PBUILD_DATABASE_TYPE); }
