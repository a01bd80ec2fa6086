#include "filebytes.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#ifdef __linux__
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool FileMappingEnabled()
{
    static const bool enabled = [] {
        const char *off = std::getenv("TAMRIX_NO_MAP");
        return !(off && *off && std::strcmp(off, "0") != 0);
    }();
    return enabled;
}

#ifdef __linux__

namespace {

// One entry per mapped file. The signal handler reaches them without locks, so
// every change of hands goes through the state.
enum SlotState : int
{
    Free,
    Claiming, // lease taken, mapping under way
    Broken,   // a writer came before the mapping was in place: read instead
    Mapped,   // the file's pages, under the lease
    Copying,  // the handler is putting the copy in place
    Copied,   // the program's own copy at the same addresses; lease released
    Closing   // the owner is letting go
};

struct Slot
{
    std::atomic<int> state{Free};
    std::atomic<int> fd{-1};
    char *addr = nullptr;
    std::size_t length = 0;
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];
int g_signal = 0; // 0 until the handler is in place, -1 when it cannot be
struct sigaction g_previousBusError = {};
std::atomic<bool> g_busGuard{false};

// The system ended a lease that was not let go in time (the program was
// stopped, or could not run): the file may then be cut under its mapping, and a
// read past the new end faults. Such pages become zeros instead, so a mapped
// file never ends the program; the watch on the token file sees the change and
// the reload question follows. Faults elsewhere go on to what handled them
// before (by default, the end of the program).
void onBusError(int sig, siginfo_t *info, void *context)
{
    const int savedErrno = errno;
    const auto fault = reinterpret_cast<std::uintptr_t>(info->si_addr);
    const long page = sysconf(_SC_PAGESIZE);
    for (Slot &slot : g_slots) {
        const int state = slot.state.load();
        if (state != Mapped && state != Copying)
            continue;
        const auto start = reinterpret_cast<std::uintptr_t>(slot.addr);
        if (!slot.addr || fault < start || fault >= start + slot.length)
            continue;
        const std::uintptr_t from = fault & ~static_cast<std::uintptr_t>(page - 1);
        const std::size_t length = start + slot.length - from;
        if (mmap(reinterpret_cast<void *>(from), length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                 0) != MAP_FAILED) {
            errno = savedErrno;
            return; // the read is tried again and sees zeros
        }
    }
    // Not a mapping of ours: as if this handler had never been there.
    if (g_previousBusError.sa_flags & SA_SIGINFO) {
        g_previousBusError.sa_sigaction(sig, info, context);
    } else if (g_previousBusError.sa_handler != SIG_DFL && g_previousBusError.sa_handler != SIG_IGN) {
        g_previousBusError.sa_handler(sig);
    } else {
        signal(sig, SIG_DFL); // the fault comes again and ends the program
    }
    errno = savedErrno;
}

// Puts a private copy of the slot's bytes at the same addresses, then lets the
// writer go on. Only system calls and memcpy: it runs in a signal handler.
void copyInPlace(Slot &slot)
{
    void *copy = mmap(nullptr, slot.length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (copy != MAP_FAILED) {
        std::memcpy(copy, slot.addr, slot.length);
        mprotect(copy, slot.length, PROT_READ);
        if (mremap(copy, slot.length, slot.length, MREMAP_MAYMOVE | MREMAP_FIXED, slot.addr) == MAP_FAILED)
            munmap(copy, slot.length);
    }
    // Without memory for the copy the lease is released all the same: the
    // writer is not kept waiting, and the bytes are those it leaves.
    fcntl(slot.fd.load(), F_SETLEASE, F_UNLCK);
}

void onLeaseBreak(int, siginfo_t *info, void *)
{
    const int savedErrno = errno;
    for (Slot &slot : g_slots) {
        if (slot.fd.load() != info->si_fd)
            continue;
        int expected = Mapped;
        if (slot.state.compare_exchange_strong(expected, Copying)) {
            copyInPlace(slot);
            slot.state.store(Copied);
            break;
        }
        expected = Claiming;
        if (slot.state.compare_exchange_strong(expected, Broken)) {
            fcntl(info->si_fd, F_SETLEASE, F_UNLCK);
            break;
        }
    }
    errno = savedErrno;
}

bool installHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const int sig = SIGRTMIN + 2;
        struct sigaction old = {};
        if (sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) ||
            old.sa_handler != SIG_DFL) {
            g_signal = -1; // someone else's signal
            return;
        }
        struct sigaction action = {};
        action.sa_sigaction = onLeaseBreak;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        g_signal = sigaction(sig, &action, nullptr) == 0 ? sig : -1;
        if (g_signal < 0)
            return;
        struct sigaction bus = {};
        bus.sa_sigaction = onBusError;
        bus.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&bus.sa_mask);
        g_busGuard = sigaction(SIGBUS, &bus, &g_previousBusError) == 0;
    });
    // Without the guard a mapping could end the program: read instead.
    return g_signal > 0 && g_busGuard.load();
}

int claimSlot()
{
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (g_slots[i].state.compare_exchange_strong(expected, Claiming))
            return i;
    }
    return -1;
}

void releaseSlot(Slot &slot)
{
    slot.fd.store(-1);
    slot.addr = nullptr;
    slot.length = 0;
    slot.state.store(Free);
}

// Reads the file whole from an open descriptor.
FileReadStatus readAll(int fd, std::uint64_t size, std::string &bytes)
{
    try {
        std::string content;
        if (size > content.max_size())
            return FileReadStatus::ReadError;
        content.resize(static_cast<std::size_t>(size));
        std::size_t got = 0;
        for (;;) {
            if (got == content.size())
                content.resize(content.size() + (1 << 16)); // the file grew
            const ssize_t n = pread(fd, content.data() + got, content.size() - got, static_cast<off_t>(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return FileReadStatus::ReadError;
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        content.resize(got);
        bytes = std::move(content);
    } catch (const std::bad_alloc &) {
        return FileReadStatus::ReadError;
    } catch (const std::length_error &) {
        return FileReadStatus::ReadError;
    }
    return FileReadStatus::Ok;
}

} // namespace

FileReadStatus FileBytes::Load(const std::string &path, FileBytes &out)
{
    out.clear();
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FileReadStatus::CantOpen;
    struct stat st = {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return FileReadStatus::CantOpen;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // More than the machine's memory cannot be held, mapped or not (a sparse
    // file can claim any size).
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0 &&
        static_cast<std::uint64_t>(st.st_size) / static_cast<std::uint64_t>(pageSize) >=
            static_cast<std::uint64_t>(pages)) {
        close(fd);
        return FileReadStatus::ReadError;
    }

    if (st.st_size > 0 && FileMappingEnabled() && installHandler()) {
        const int index = claimSlot();
        if (index >= 0) {
            Slot &slot = g_slots[index];
            slot.fd.store(fd);
            f_owner_ex owner = {F_OWNER_PID, getpid()};
            if (fcntl(fd, F_SETSIG, g_signal) == 0 && fcntl(fd, F_SETOWN_EX, &owner) == 0 &&
                fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
                // Under the lease the file keeps its size and bytes.
                struct stat leased = {};
                void *addr = MAP_FAILED;
                if (fstat(fd, &leased) == 0 && leased.st_size > 0 &&
                    static_cast<std::uint64_t>(leased.st_size) <= SIZE_MAX) {
                    slot.length = static_cast<std::size_t>(leased.st_size);
                    addr = mmap(nullptr, slot.length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
                }
                if (addr != MAP_FAILED) {
                    slot.addr = static_cast<char *>(addr);
                    int expected = Claiming;
                    if (slot.state.compare_exchange_strong(expected, Mapped)) {
                        out.m_map = slot.addr;
                        out.m_mapLength = slot.length;
                        out.m_slot = index;
                        return FileReadStatus::Ok;
                    }
                    munmap(addr, slot.length); // a writer came first: read what it left
                }
                fcntl(fd, F_SETLEASE, F_UNLCK);
            }
            // Not a lease-owner's signal any more.
            fcntl(fd, F_SETSIG, 0);
            releaseSlot(slot);
        }
    }
    const FileReadStatus status = readAll(fd, static_cast<std::uint64_t>(st.st_size), out.m_owned);
    close(fd);
    return status;
}

bool FileBytes::mapped() const
{
    return m_slot >= 0 && g_slots[m_slot].state.load() == Mapped;
}

void FileBytes::loseLease()
{
    if (m_slot >= 0 && g_slots[m_slot].state.load() == Mapped)
        fcntl(g_slots[m_slot].fd.load(), F_SETLEASE, F_UNLCK);
}

void FileBytes::clear()
{
    if (m_slot >= 0) {
        Slot &slot = g_slots[m_slot];
        for (;;) {
            int state = slot.state.load();
            if (state == Copying) {
                sched_yield(); // the handler finishes on another thread
                continue;
            }
            if (slot.state.compare_exchange_strong(state, Closing))
                break;
        }
        const int fd = slot.fd.load();
        fcntl(fd, F_SETLEASE, F_UNLCK);
        close(fd);
        munmap(slot.addr, slot.length);
        releaseSlot(slot);
    }
    m_slot = -1;
    m_map = nullptr;
    m_mapLength = 0;
    m_owned.clear();
    m_owned.shrink_to_fit();
}

#else

FileReadStatus FileBytes::Load(const std::string &path, FileBytes &out)
{
    out.clear();
    return ReadWholeRegularFile(path, out.m_owned);
}

bool FileBytes::mapped() const
{
    return false;
}

void FileBytes::loseLease() {}

void FileBytes::clear()
{
    m_owned.clear();
    m_owned.shrink_to_fit();
}

#endif

FileBytes::~FileBytes()
{
    clear();
}

FileBytes::FileBytes(FileBytes &&other) noexcept
    : m_owned(std::move(other.m_owned)), m_map(other.m_map), m_mapLength(other.m_mapLength), m_slot(other.m_slot)
{
    other.m_map = nullptr;
    other.m_mapLength = 0;
    other.m_slot = -1;
    other.m_owned.clear();
}

FileBytes &FileBytes::operator=(FileBytes &&other) noexcept
{
    if (this != &other) {
        clear();
        m_owned = std::move(other.m_owned);
        m_map = other.m_map;
        m_mapLength = other.m_mapLength;
        m_slot = other.m_slot;
        other.m_map = nullptr;
        other.m_mapLength = 0;
        other.m_slot = -1;
        other.m_owned.clear();
    }
    return *this;
}
