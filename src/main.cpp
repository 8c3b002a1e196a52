// Prepares button icons: run it in their folder, or give it folders or icons.
#include "batch/program.h"

int main(int argc, char** argv) {
    return runProgram(argc, argv);
}
