// One run at a time on a program folder. Every run that writes the folder holds an exclusive
// flock on its file "nimbrel.lock", which also names the process holding it. The kernel releases
// the lock when that process ends, however it ends, so a killed run never leaves the folder
// locked. Within one process the lock is shared: the window's cycle, its Setup and its rule
// editor belong to one run and hold it together.
#pragma once

#include "platform/Errors.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

namespace nimbrel {

// "another Nimbrel run is using this folder (process N)".
class FolderBusy : public Exception {
  public:
    explicit FolderBusy(pid_t holder);
    pid_t holder() const { return holder_; }

  private:
    pid_t holder_;
};

class FolderLock {
  public:
    // Takes the program folder's lock, trying again while another process holds it until
    // `wait` has passed or `keepWaiting` (asked between tries) says no. Raises FolderBusy when
    // it is still held, EInOutError when the lock file cannot be opened. A folder that holds
    // none of the program's files (no lock file, setup.xml, Categories.xml or journal) is left
    // without a lock file: nothing will be written there. The first holder in the
    // process also finishes a group of files whose replacement a killed run left half done
    // (FileGroup.h), then removes the temporary files killed runs left (LeftoverFiles.h).
    static FolderLock Take(std::chrono::milliseconds wait = {},
                           const std::function<bool()>& keepWaiting = {});

    FolderLock(FolderLock&&) noexcept = default;
    FolderLock& operator=(FolderLock&&) noexcept = default;
    ~FolderLock();

    struct Held; // the open lock file, shared by the holders of this process

  private:
    explicit FolderLock(std::shared_ptr<Held> held) : held_(std::move(held)) {}
    std::shared_ptr<Held> held_;
};

// The lock file of the program folder.
std::string FolderLockPath();

} // namespace nimbrel
