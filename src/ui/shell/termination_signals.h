#pragma once

// Makes SIGINT and SIGTERM end the application the orderly way (QApplication::quit, so that
// quitting still saves the window frame and takes a live connection down), as quitting from the
// menu does.
void quitOnTerminationSignals();
