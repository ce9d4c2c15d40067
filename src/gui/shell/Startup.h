#pragma once

class QString;

// Runs the whole program: command line, application object, configuration, windows, event loop, exit save.
int runLumaplex(int argc, char *argv[]);

// Loads config.ini and its language file, or writes the defaults when config.ini is missing, then installs
// the application style sheet. Returns whether config.ini existed; `failure` receives what a write of the
// defaults could not save (empty when it could).
bool Config_CheckAtStartup(QString *failure = nullptr);
