#pragma once

// Runs the whole program: application object, configuration, windows, event loop, exit save.
int runLumaplex(int argc, char *argv[]);

// Loads config.ini and its language file, or writes the defaults when config.ini is missing, then installs
// the application style sheet. Returns whether config.ini existed.
bool Config_CheckAtStartup();
