// A walker with many requests in flight, to show how far a walk on a slow
// network share could get: like the floor walker (readdir, and one fstatat
// per entry relative to its open directory, nothing printed), but every
// directory read and every stat is a job of its own for a pool of threads,
// so on a file system whose every request waits on a server, up to N of
// them wait at once. Symbolic links are not followed. A directory stays open
// until the stats of its entries are done; breadth first, so as many
// directories as a level holds may be open at once.
//
//   parallel_walk [DIR] [--threads N] [--count]
//
// --count prints the entries walked, DIR itself included (what
// `find DIR | wc -l` counts).
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned DEFAULT_THREADS = 16;
constexpr unsigned MAX_THREADS = 1024;

// An open directory, closed when the last job that needs it is done.
struct OpenDir {
    explicit OpenDir(int fd_) : fd(fd_) {}
    OpenDir(const OpenDir&) = delete;
    OpenDir& operator=(const OpenDir&) = delete;
    ~OpenDir() { close(fd); }
    int fd;
};

// Read `dir` (name empty), or stat `name` in it.
struct Job {
    std::shared_ptr<OpenDir> dir;
    std::string name;
};

class Walk {
public:
    void add(Job job)
    {
        {
            const std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
            ++outstanding_;
        }
        ready_.notify_one();
    }

    // Runs jobs until none is left anywhere.
    void work()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return !jobs_.empty() || outstanding_ == 0; });
                if (jobs_.empty()) {
                    return;
                }
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            if (job.name.empty()) {
                read_dir(job.dir);
            } else {
                stat_entry(job.dir, job.name);
            }
            finish();
        }
    }

    std::uint64_t entries() const { return entries_.load(); }

private:
    void finish()
    {
        bool done = false;
        {
            const std::lock_guard lock(mutex_);
            done = --outstanding_ == 0;
        }
        if (done) {
            ready_.notify_all();
        }
    }

    // readdir on a duplicate, so the directory's own descriptor stays for
    // the stats after the listing is closed.
    void read_dir(const std::shared_ptr<OpenDir>& dir)
    {
        const int fd = dup(dir->fd);
        DIR* listing = fd < 0 ? nullptr : fdopendir(fd);
        if (listing == nullptr) {
            if (fd >= 0) {
                close(fd);
            }
            return;
        }
        while (const dirent* entry = readdir(listing)) {
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") {
                add(Job{dir, std::string(name)});
            }
        }
        closedir(listing);
    }

    void stat_entry(const std::shared_ptr<OpenDir>& dir, const std::string& name)
    {
        struct stat status {};
        if (fstatat(dir->fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            return;
        }
        entries_.fetch_add(1, std::memory_order_relaxed);
        if (S_ISDIR(status.st_mode)) {
            const int child =
                openat(dir->fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                add(Job{std::make_shared<OpenDir>(child), {}});
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    std::uint64_t outstanding_ = 0; // queued or running
    std::atomic<std::uint64_t> entries_{0};
};

// A directory level may hold thousands open at once.
void raise_descriptor_limit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* top = ".";
    unsigned threads = DEFAULT_THREADS;
    bool count = false;
    for (int index = 1; index < argc; ++index) {
        const std::string_view arg = argv[index];
        if (arg == "--count") {
            count = true;
        } else if (arg == "--threads" && index + 1 < argc) {
            const std::string_view value = argv[++index];
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
            if (error != std::errc() || end != value.data() + value.size() || threads == 0 ||
                threads > MAX_THREADS) {
                std::fprintf(stderr, "parallel_walk: bad --threads %s\n", argv[index]);
                return 2;
            }
        } else {
            top = argv[index];
        }
    }
    raise_descriptor_limit();
    const int fd = open(top, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "parallel_walk: %s: %s\n", top, std::strerror(errno));
        return 1;
    }
    Walk walk;
    walk.add(Job{std::make_shared<OpenDir>(fd), {}});
    std::vector<std::thread> pool;
    for (unsigned index = 0; index < threads; ++index) {
        pool.emplace_back([&walk] { walk.work(); });
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
    if (count) {
        std::printf("%llu\n", static_cast<unsigned long long>(1 + walk.entries()));
    }
    return 0;
}
