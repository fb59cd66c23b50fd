// A scratch directory for the host-layer tests: made fresh under /tmp,
// removed with everything in it afterwards, the test's current directory
// restored on the way out.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace host_test {

// The drive number of C:, the one drive of a POSIX host (0 is A).
inline constexpr int DRIVE_C = 2;
// 1970-01-01 00:00 universal time as a file time.
inline constexpr std::uint64_t UNIX_EPOCH_FILE_TIME = 116'444'736'000'000'000;

class ScratchDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_ = std::filesystem::current_path();
        std::string name = "/tmp/wendex-host-XXXXXX"; // two levels deep, whatever TMPDIR says
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        root_ = name;
    }

    void TearDown() override
    {
        std::filesystem::current_path(start_);
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(root_, ignored);
    }

    void make_file(const std::string& relative, const std::string& text = "")
    {
        std::ofstream(root_ / relative) << text;
    }

    void make_dir(const std::string& relative)
    {
        std::filesystem::create_directories(root_ / relative);
    }

    // The scratch path in the program's own form, "C:" and '\'.
    std::string dos(const std::string& relative = "") const
    {
        std::string text = "C:" + (relative.empty() ? root_ : root_ / relative).string();
        for (char& c : text) {
            if (c == '/') {
                c = '\\';
            }
        }
        return text;
    }

    std::filesystem::path start_;
    std::filesystem::path root_;
};

} // namespace host_test
