#include "shell/Startup.h"

int main(int argc, char *argv[]) { return runLumaplex(argc, argv); }
