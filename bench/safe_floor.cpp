// The least a safe renewal can cost, as the yardstick of the text engine: every regular file
// FOLDER/**/*.TYPE that holds FIND is read whole, its new content (every FIND replaced by
// REPLACE, bytes as they are) written to a temporary file beside it, the old inode given a second
// name as the backup ("Bk" + stamp + "_" + name), and the temporary file renamed over the file;
// one syncfs at the end. No encoding, no checks, no attributes: a floor, not a tool.
//
//   safe_floor FOLDER TYPE FIND REPLACE
//
// Prints "changed N, X s" like tralex_bench.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string gSuffix, gFind, gReplace, gStamp;
int gChanged = 0;

bool readAll(const char* path, std::string& out)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    ::fstat(fd, &st);
    out.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    ::close(fd);
    out.resize(done);
    return true;
}

int visit(const char* path, const struct stat* st, int kind, struct FTW* where)
{
    const std::string name = path + where->base;
    if (kind != FTW_F || !S_ISREG(st->st_mode) || name.size() <= gSuffix.size()
        || name.compare(name.size() - gSuffix.size(), gSuffix.size(), gSuffix) != 0 || name.rfind("Bk", 0) == 0)
        return 0;
    std::string old;
    if (!readAll(path, old) || old.find(gFind) == std::string::npos)
        return 0;
    std::string now;
    now.reserve(old.size() + 64);
    for (size_t at = 0;;) {
        const size_t hit = old.find(gFind, at);
        if (hit == std::string::npos) {
            now.append(old, at, std::string::npos);
            break;
        }
        now.append(old, at, hit - at).append(gReplace);
        at = hit + gFind.size();
    }
    const std::string folder(path, size_t(where->base));
    const std::string temporary = folder + "Renewal" + gStamp + "_" + name;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st->st_mode & 07777);
    if (fd < 0 || ::write(fd, now.data(), now.size()) != ssize_t(now.size()) || ::close(fd) != 0)
        return 1;
    if (::link(path, (folder + "Bk" + gStamp + "_" + name).c_str()) != 0 || ::rename(temporary.c_str(), path) != 0)
        return 1;
    ++gChanged;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: safe_floor FOLDER TYPE FIND REPLACE\n");
        return 2;
    }
    gSuffix = std::string(".") + argv[2];
    gFind = argv[3];
    gReplace = argv[4];
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", std::localtime(&now));
    gStamp = stamp;
    const auto start = std::chrono::steady_clock::now();
    if (::nftw(argv[1], visit, 64, FTW_PHYS) != 0)
        return 1;
    const int folder = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::syncfs(folder);
    ::close(folder);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("changed %d, %.3f s\n", gChanged, seconds);
    return 0;
}
