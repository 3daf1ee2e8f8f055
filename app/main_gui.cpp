// vlmipcs: the photon-counting acquisition program with its windows.
#include "app/qt/windowed_program.h"

int main(int argc, char** argv) { return velmar::RunWindowedProgram(argc, argv); }
