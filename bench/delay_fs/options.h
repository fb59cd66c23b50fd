// delay_fs's command line: the source, the mount point, the delay, the mode.
#pragma once

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace delay_fs {

// nocache: the kernel keeps nothing, every stat is a round trip; cache: it
// keeps what readdirplus and lookups tell it for a minute, as an NFS client
// with readdirplus and attribute caching does.
enum class Mode { nocache, cache };

constexpr unsigned DEFAULT_THREADS = 64;
constexpr unsigned MAX_THREADS = 1024;
constexpr long MAX_DELAY_US = 10'000'000; // ten seconds

struct Options {
    std::string source;
    std::string mountpoint;
    long delay_us = -1;
    std::optional<Mode> mode;
    unsigned threads = DEFAULT_THREADS;
    bool count = false;
};

inline constexpr const char* USAGE =
    "usage: delay_fs --source DIR --mountpoint DIR --delay-us N --mode nocache|cache\n"
    "                [--threads N] [--count]\n";

template <typename Number>
bool parse_number(std::string_view text, Number& value, Number low, Number high)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

inline std::optional<Mode> parse_mode(std::string_view text)
{
    if (text == "nocache") {
        return Mode::nocache;
    }
    if (text == "cache") {
        return Mode::cache;
    }
    return std::nullopt;
}

// One option with its value; false when the name is unknown or the value bad.
inline bool take_option(Options& options, std::string_view name, std::string_view value)
{
    if (name == "--source") {
        options.source = value;
    } else if (name == "--mountpoint") {
        options.mountpoint = value;
    } else if (name == "--delay-us") {
        return parse_number(value, options.delay_us, 0L, MAX_DELAY_US);
    } else if (name == "--mode") {
        options.mode = parse_mode(value);
        return options.mode.has_value();
    } else if (name == "--threads") {
        return parse_number(value, options.threads, 1U, MAX_THREADS);
    } else {
        return false;
    }
    return !value.empty();
}

// The options, or nothing (the usage printed) when they are wrong or missing.
inline std::optional<Options> parse_options(int argc, char** argv)
{
    Options options;
    for (int index = 1; index < argc; ++index) {
        const std::string_view name = argv[index];
        if (name == "--count") {
            options.count = true;
        } else if (index + 1 >= argc || !take_option(options, name, argv[index + 1])) {
            std::fprintf(stderr, "delay_fs: unknown option, or bad or missing value: %s %s\n%s",
                         argv[index], index + 1 < argc ? argv[index + 1] : "", USAGE);
            return std::nullopt;
        } else {
            ++index;
        }
    }
    if (options.source.empty() || options.mountpoint.empty() || options.delay_us < 0 ||
        !options.mode) {
        std::fprintf(stderr, "%s", USAGE);
        return std::nullopt;
    }
    return options;
}

} // namespace delay_fs
