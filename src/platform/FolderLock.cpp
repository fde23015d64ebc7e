#include "platform/FolderLock.h"

#include "platform/FileGroup.h"
#include "platform/LeftoverFiles.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace nimbrel {

struct FolderLock::Held {
    explicit Held(int descriptor) : fd(descriptor) {}
    ~Held() { ::close(fd); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    int fd;
};

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kRetryPause = 50ms;
// The holder writes its number right after taking the lock; a reader in between waits for it.
constexpr int kHolderReads = 20;
constexpr auto kHolderReadPause = 5ms;

// Held lock files by device and inode: two spellings of one folder are one lock.
std::mutex heldMutex;
std::map<std::pair<dev_t, ino_t>, std::weak_ptr<FolderLock::Held>> heldByFile;
// Our own holders let go within moments; anything longer is another holder after all.
constexpr int kMostWaitsForOurOwn = 200;

// The kernel's own word on who holds a flock on the file (lines such as
// "1: FLOCK  ADVISORY  WRITE 4711 08:01:1234 0 EOF"), for a holder that wrote no number.
pid_t HolderFromKernel(ino_t inode) {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, device;
        long pid = 0;
        if (fields >> number >> kind >> advisory >> mode >> pid >> device && kind == "FLOCK" &&
            device.substr(device.rfind(':') + 1) == std::to_string(inode))
            return static_cast<pid_t>(pid);
    }
    return 0;
}

pid_t ReadHolder(int fd, ino_t inode) {
    for (int attempt = 0; attempt < kHolderReads; ++attempt) {
        char text[32] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        long pid = 0;
        if (n > 0)
            std::from_chars(text, text + n, pid);
        if (pid > 0)
            return static_cast<pid_t>(pid);
        std::this_thread::sleep_for(kHolderReadPause);
    }
    return HolderFromKernel(inode);
}

void WriteHolder(int fd) {
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) >= 0)
        ::fsync(fd);
}

// The lock file opened (created when missing), and which file it is.
std::shared_ptr<FolderLock::Held> OpenLockFile(const std::string& path,
                                               std::pair<dev_t, ino_t>& identity) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        RaiseInOutError(errno, path);
    auto held = std::make_shared<FolderLock::Held>(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        RaiseInOutError(errno, path);
    identity = {st.st_dev, st.st_ino};
    return held;
}

// A folder that holds none of the program's files is no program folder (a run started in the
// wrong place): it gets no lock file, and no run writes anything there anyway.
bool IsProgramFolder(const std::string& lockPath) {
    for (const std::string& file : {lockPath, ProgramFile("\\setup.xml"),
                                    ProgramFile("\\Categories.xml"), FileGroupJournalPath()})
        if (::access(file.c_str(), F_OK) == 0)
            return true;
    return false;
}

} // namespace

FolderBusy::FolderBusy(pid_t holder)
    : Exception("another Nimbrel run is using this folder (process " + std::to_string(holder) +
                ")"),
      holder_(holder) {}

std::string FolderLockPath() {
    return ProgramFile("\\nimbrel.lock");
}

FolderLock FolderLock::Take(std::chrono::milliseconds wait,
                            const std::function<bool()>& keepWaiting) {
    const std::string path = FolderLockPath();
    if (!IsProgramFolder(path))
        return FolderLock(nullptr);
    const Clock::time_point deadline = Clock::now() + wait;
    std::unique_lock guard(heldMutex);
    for (int waitsForOurOwn = 0;;) {
        std::pair<dev_t, ino_t> identity;
        std::shared_ptr<Held> held = OpenLockFile(path, identity);
        if (std::shared_ptr<Held> shared = heldByFile[identity].lock())
            return FolderLock(shared);
        if (::flock(held->fd, LOCK_EX | LOCK_NB) == 0) {
            WriteHolder(held->fd);
            heldByFile[identity] = held;
            // No other run can be writing now: what a killed one left is finished or removed.
            FinishInterruptedFileGroup();
            RemoveLeftoverTempFiles();
            return FolderLock(held);
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            RaiseInOutError(errno, path);
        const pid_t holder = ReadHolder(held->fd, identity.second);
        // Our own holders may be letting go this very moment: that is no other run.
        const bool ours = holder == ::getpid() && ++waitsForOurOwn < kMostWaitsForOurOwn;
        if (!ours && (Clock::now() >= deadline || (keepWaiting && !keepWaiting())))
            throw FolderBusy(holder);
        held.reset();
        guard.unlock();
        std::this_thread::sleep_for(ours ? kHolderReadPause : kRetryPause);
        guard.lock();
    }
}

FolderLock::~FolderLock() = default;

} // namespace nimbrel
