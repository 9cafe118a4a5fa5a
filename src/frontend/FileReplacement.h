#ifndef MORVANE_FRONTEND_FILEREPLACEMENT_H
#define MORVANE_FRONTEND_FILEREPLACEMENT_H

#include <string>

namespace morvane {

// A file written under a temporary name beside its target (same folder,
// the target's name followed by ".XXXXXX") and renamed into place only once
// complete, so that no empty or cut file is ever seen at the target and an
// existing file stays as it was until the new one is whole. The new file
// keeps the permissions of the file it replaces, or gets those of any new
// file (0666 less the umask). A symbolic link is followed to the file it
// names; an existing special file (a device, a pipe) is written in place,
// since renaming over it would replace it rather than write to it.
//
// An uncommitted temporary file is removed when the object goes, and also
// when any signal whose default action ends the process (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGALRM, SIGABRT, ...) ends it while
// the file is open. While it is open, writing past the file size limit
// fails with EFBIG, to be reported, instead of raising SIGXFSZ.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Opens the file to write for `path`; returns its descriptor, or -1 with
    // the system's words for the error in `reason`.
    int Open(const std::string& path, std::string& reason);
    // Closes the descriptor and moves the file into place. Returns false,
    // with `reason`, when that fails; the temporary file is then removed.
    bool Commit(std::string& reason);

private:
    std::string target_;
    std::string temp_;  // empty when writing in place, or when nothing is open
    int fd_ = -1;

    void Abandon();
};

}  // namespace morvane

#endif
