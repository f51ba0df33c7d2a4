// A slow disk for the benchmarks, loaded with LD_PRELOAD: every sync of a
// file to the disk waits LT_SLOW_SYNC_MS milliseconds (100 when unset)
// before it is done, as on a busy or failing disk or a slow memory card.
#include <dlfcn.h>

#include <cstdlib>
#include <ctime>

namespace {

void waitLikeASlowDisk()
{
    const char* ms = std::getenv("LT_SLOW_SYNC_MS");
    const long wait = ms ? std::atol(ms) : 100;
    timespec t{wait / 1000, (wait % 1000) * 1000000};
    nanosleep(&t, nullptr);
}

template <typename F> F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    waitLikeASlowDisk();
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = next<int (*)(int)>("fdatasync");
    waitLikeASlowDisk();
    return real(fd);
}
