// Prepares a folder of button icons: run it in the folder, no arguments.
#include "batch/batch_run.h"

int main() {
    BatchRun run;
    return run.runBatch();
}
