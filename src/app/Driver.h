#ifndef MORVANE_APP_DRIVER_H
#define MORVANE_APP_DRIVER_H

// One whole run of the command line: usage, option scan, table, formula,
// calculation and result table on standard output. Returns the exit status;
// exceptions end in their message and status 6.
int MorvaneMain(int argc, char** argv);

#endif
