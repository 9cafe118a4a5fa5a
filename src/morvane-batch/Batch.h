#ifndef MORVANE_BATCH_BATCH_H
#define MORVANE_BATCH_BATCH_H

namespace morvane {

// One whole run of morvane-batch: options, table, then every formula of the
// input into one long table. Failing lines are reported on standard error
// and skipped. Returns the exit status: 0 when every line succeeded, else
// the status of the first failing line; 5 bad option, 1 table or input not
// read, 8 output not written.
int BatchMain(int argc, char** argv);

}  // namespace morvane

#endif
