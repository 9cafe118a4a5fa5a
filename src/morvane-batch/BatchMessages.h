#ifndef MORVANE_BATCH_BATCHMESSAGES_H
#define MORVANE_BATCH_BATCHMESSAGES_H

#include <string>

namespace morvane {

// The texts of morvane-batch: its usage, and user text as messages echo it.

extern const char* const BATCH_USAGE;

// Messages echo at most this many bytes of the text at fault.
const std::size_t ECHO_LIMIT = 80;

// `text` as a message shows it: whole up to ECHO_LIMIT bytes, else its
// first ECHO_LIMIT bytes (not cutting a UTF-8 character) followed by
// "... (N bytes)"; control bytes (a NUL, an escape) shown as \xNN.
std::string Echo(const std::string& text);

}  // namespace morvane

#endif
