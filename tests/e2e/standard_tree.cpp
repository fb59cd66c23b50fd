// The tree most end-to-end rows list. Every row that prints it relies on the
// names, sizes, times and modes below; change them only with those rows.
#include "tests/e2e/harness.h"

namespace e2e {

namespace {

constexpr mode_t READ_ONLY = 0444;

void build(Fixture& tree) {
    tree.file("a.txt", 100, {2021, 1, 2, 10, 0, 0});
    tree.file("Zeta.TXT", 1'234'567, {2019, 12, 31, 23, 59, 58});
    tree.file("readme", 42, {2000, 6, 15, 12, 5, 0});
    tree.file(".hidden", 7, {2020, 3, 4, 0, 30, 0});
    tree.file(".secret", 3, {2017, 4, 5, 16, 0, 0}, READ_ONLY);
    tree.file("locked.dat", 1000, {2018, 7, 8, 9, 15, 0}, READ_ONLY);
    tree.fifo("pipe", {2022, 2, 3, 13, 45, 0});
    tree.file("huge.bin", 5'000'000'000, {2023, 5, 6, 7, 8, 0});
    tree.file("odd.c", 1, {2024, 8, 9, 14, 30, 1});
    tree.file("early.log", 2048, {2001, 1, 1, 0, 0, 1});  // time word 0
    tree.file("verylongname.text", 12, {2015, 8, 17, 15, 4, 0});
    tree.file("archive.tar.gz", 10, {2016, 2, 29, 6, 7, 0});
    tree.file("old.bak", 64, {1975, 5, 5, 5, 5, 0});        // before the DOS range
    tree.file("future.tmp", 0, {2110, 1, 1, 0, 0, 0});     // after it
    tree.dir("sub", {2020, 1, 1, 8, 0, 0});
    tree.file("sub/x.c", 5, {2020, 2, 2, 2, 2, 0});
    tree.file("sub/y.txt", 6, {2020, 2, 2, 14, 2, 0});
    tree.dir("docs", {2021, 11, 12, 18, 20, 0});
    tree.dir(".cache", {2019, 1, 1, 6, 0, 0});
    tree.seal();
}

}  // namespace

const Fixture& standard_tree() {
    static Fixture tree;
    static const bool built = (build(tree), true);
    (void)built;
    return tree;
}

}  // namespace e2e
