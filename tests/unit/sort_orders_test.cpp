// The listing orders: each row lists records in the order expected, and the
// sort must restore it from the reversed and the half-rotated list.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scan/compact_entries.h"
#include "scan/directory_pass.h"
#include "scan/sort_orders.h"
#include "tests/unit/run_state.h"

namespace {

constexpr std::uint8_t DIR = KIND_DIR;

// Names a record for the failure output; directories end in '/', a long
// name follows a space.
std::string label(const EntryRecord& record)
{
    const std::string_view name(record.short_name.data(), SHORT_NAME_WIDTH);
    const std::string_view ext(record.short_ext.data(), SHORT_EXT_WIDTH);
    const std::string long_name(record.long_name.data());
    return std::string(name.substr(0, name.find('\0'))) + "." +
           std::string(ext.substr(0, ext.find('\0'))) + (record.kind & KIND_DIR ? "/" : "") +
           (long_name.empty() ? "" : " " + long_name);
}

std::vector<std::string> sorted_labels(SortKey key, std::vector<EntryRecord> records)
{
    entry_buffer = std::make_unique<EntryRecord[]>(records.size() + 1);
    std::copy(records.begin(), records.end(), entry_buffer.get());
    std::vector<std::string> labels;
    for (const std::uint32_t slot : sorted_slots(key, static_cast<std::uint32_t>(records.size()))) {
        labels.push_back(label(entry_buffer[slot]));
    }
    return labels;
}

// The same records held compactly, as a pass past the entry buffer holds them.
std::vector<std::string> compact_labels(SortKey key, const std::vector<EntryRecord>& records)
{
    CompactEntries held;
    std::for_each(records.begin(), records.end(), [&held](const EntryRecord& r) { held.add(r); });
    held.sort(key);
    std::vector<std::string> labels;
    EntryRecord scratch{};
    for (std::size_t index = 0; index < held.size(); ++index) {
        held.restore(index, scratch);
        labels.push_back(label(scratch));
    }
    return labels;
}

struct OrderRow {
    const char* what;
    SortKey key;
    std::vector<RecordFields> in_order;
};

const OrderRow ORDER_ROWS[] = {
    {"dir before file by name", SORT_NAME, {{.name = "zzz", .kind = DIR, .date = 9}, {"aaa"}}},
    {"dir before file by ext",
     SORT_EXT,
     {{.name = "zzz", .ext = "zzz", .kind = DIR, .date = 9}, {"aaa"}}},
    {"dir before file by size", SORT_SIZE, {{.name = "zzz", .kind = DIR, .date = 9}, {"aaa"}}},
    {"dir before file by date",
     SORT_DATE,
     {{.name = "zzz", .kind = DIR, .date = 9}, {.name = "aaa", .date = 1}}},
    {"extension groups in name order",
     SORT_EXT,
     {{.name = "q", .ext = "exe", .kind = DIR},
      {"b"},
      {"z"},
      {"a", "bat"},
      {"c", "bat"},
      {"a", "com"},
      {"b", "exe"},
      {"c", "exe"}}},
    {"names bytewise, prefix first, high bytes last",
     SORT_NAME,
     {{"a1"}, {"ab_c"}, {"abac"}, {"abc"}, {"abc", "txt"}, {"abcd"}, {"zzz"}, {"\xE9t"}}},
    {"full eight-byte names",
     SORT_NAME,
     {{"abcdefgg", "zzz"}, {"abcdefgh", "a"}, {"abcdefgh", "b"}, {"abcdefgi"}}},
    {"sizes, equal ones by name, past 32 bits last",
     SORT_SIZE,
     {{.name = "a", .kind = DIR},
      {.name = "b", .kind = DIR},
      {"z"},
      {.name = "a", .size = 10},
      {.name = "b", .size = 10},
      {.name = "c", .size = 4294967295u},
      {.name = "a", .ext = "x", .size = 4294967296u},
      {.name = "b", .ext = "x", .size = 5000000000u}}},
    {"dates oldest first, same stamp by name",
     SORT_DATE,
     {{.name = "y", .kind = DIR, .date = 0x2000},
      {.name = "x", .kind = DIR, .date = 0x5000},
      {.name = "z", .time = 0xFFFF, .date = 0x2821},
      {.name = "b", .time = 0x0001, .date = 0x5000},
      {.name = "a", .time = 0x8000, .date = 0x5000},
      {.name = "c", .time = 0x8000, .date = 0x5000},
      {.name = "a", .date = 0xFFFF}}},
    {"ties by long name: A-Z folded, then as stored",
     SORT_NAME,
     {{"report-2", "txt", "report-2024-01.txt", DIR},
      {"a", "", "a_b"},
      {"a", "", "aB"},
      {"notes", "md", "NOTES.md"},
      {"notes", "md", "Notes.md"},
      {"notes", "md", "notes.md"},
      {"report-2", "txt", "report-2022-07.txt"},
      {"report-2", "txt", "Report-2024-01.txt"},
      {"report-2", "txt", "report-2024-03.txt"},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2", "",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"
       "1"},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2", "",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"
       "9"}}},
    // Runs of ties told apart past a long shared start, by case alone, or
    // only by bytes past the eight after it; names not led by their 8.3 name.
    {"ties past a shared start",
     SORT_EXT,
     {{"abcdefgh", "c", "ABCDEFGH.c"},
      {"abcdefgh", "c", "abcdefgh.c"},
      {"abcdefgh", "c", "Abcdefgh_0123456789.c"},
      {"abcdefgh", "c", "abcdefgh_0123456789.c"},
      {"abcdefgh", "c", "abcdefgh_0123456799.c"},
      {"abcdefgh", "c", "abcdefghij.c"},
      {"abcdefgh", "c", "abcdefgh\xC3\xA9.c"},
      {"x", "d", "a-alias"},
      {"x", "d", "B-alias"},
      {"x", "d", "b-alias"}}},
};

TEST(SortEntries, PutsEveryRowInItsOrder)
{
    for (const OrderRow& row : ORDER_ROWS) {
        SCOPED_TRACE(row.what);
        std::vector<EntryRecord> records;
        for (const RecordFields& entry : row.in_order) {
            records.push_back(make_record(entry));
        }
        std::vector<std::string> expected;
        std::transform(records.begin(), records.end(), std::back_inserter(expected), label);

        std::vector<EntryRecord> reversed(records.rbegin(), records.rend());
        EXPECT_EQ(sorted_labels(row.key, reversed), expected);
        EXPECT_EQ(compact_labels(row.key, reversed), expected);
        std::rotate(records.begin(), records.begin() + records.size() / 2, records.end());
        EXPECT_EQ(sorted_labels(row.key, records), expected);
        EXPECT_EQ(compact_labels(row.key, records), expected);
    }
}

TEST(SortEntries, LeavesTheBufferAloneWithoutAKeyOrAPair)
{
    const std::vector<EntryRecord> unsorted = {
        make_record({"b"}), make_record({.name = "a", .kind = DIR}), make_record({"a"})};
    const std::vector<std::string> as_given = {"b.", "a./", "a."};
    for (const auto key : {SORT_NONE, static_cast<SortKey>(9)}) {
        EXPECT_EQ(sorted_labels(key, unsorted), as_given);
    }
    EXPECT_EQ(sorted_labels(SORT_NAME, {unsorted[0]}), std::vector<std::string>{"b."});
    EXPECT_TRUE(sorted_labels(SORT_NAME, {}).empty());

    // Only records [0, n) take part.
    entry_buffer = std::make_unique<EntryRecord[]>(3);
    std::copy(unsorted.begin(), unsorted.end(), entry_buffer.get());
    const auto slots = sorted_slots(SORT_NAME, 2);
    EXPECT_EQ(std::vector<std::uint32_t>(slots.begin(), slots.end()),
              (std::vector<std::uint32_t>{1, 0}));
}

// Fields are read only up to their width: past a full name or extension only
// the long name breaks a tie, and records equal in it too compare equal.
TEST(Comparisons, StopAtTheFieldWidth)
{
    const EntryRecord a = make_record({"abcdefgh", "exe", "first"});
    const EntryRecord b = make_record({"abcdefgh", "exe", "second"});
    for (const auto compare : {compare_name, compare_ext, compare_size, compare_date}) {
        EXPECT_LT(compare(a, b), 0);
        EXPECT_GT(compare(b, a), 0);
        EXPECT_EQ(compare(a, a), 0);
    }
}

TEST(Comparisons, ReadKindAsABitMask)
{
    EntryRecord directory = make_record({"zzz"});
    directory.kind = KIND_DIR | 0x01;
    const EntryRecord file = make_record({"aaa"});
    EXPECT_LT(dirs_first(directory, file), 0);
    EXPECT_GT(dirs_first(file, directory), 0);
    EXPECT_EQ(dirs_first(file, file), 0);
    EXPECT_EQ(dirs_first(directory, directory), 0);
}

} // namespace
