// The listing orders: each row lists records in the order expected, and the
// sort must restore it from the reversed and the half-rotated list.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scan/directory_pass.h"
#include "scan/sort_orders.h"
#include "tests/unit/run_state.h"

namespace {

struct Entry {
    std::string_view name;
    std::string_view ext = "";
    std::uint8_t kind = KIND_FILE;
    std::uint64_t size = 0;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    const char* long_name = "";
};

constexpr std::uint8_t DIR = KIND_DIR;

EntryRecord make_record(const Entry& entry)
{
    EntryRecord record{};
    fill_field(record.short_name, entry.name);
    fill_field(record.short_ext, entry.ext);
    fill_field(record.long_name, entry.long_name);
    record.kind = entry.kind;
    record.size = entry.size;
    record.dos_date = entry.date;
    record.dos_time = entry.time;
    return record;
}

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
    sort_entries(key, static_cast<std::uint32_t>(records.size()));
    std::vector<std::string> labels;
    std::transform(entry_buffer.get(), entry_buffer.get() + records.size(),
                   std::back_inserter(labels), label);
    return labels;
}

struct OrderRow {
    const char* what;
    SortKey key;
    std::vector<Entry> in_order;
};

const OrderRow ORDER_ROWS[] = {
    {"dir before file by name", SORT_NAME, {{"zzz", "", DIR, 0, 9}, {"aaa"}}},
    {"dir before file by ext", SORT_EXT, {{"zzz", "zzz", DIR, 0, 9}, {"aaa"}}},
    {"dir before file by size", SORT_SIZE, {{"zzz", "", DIR, 0, 9}, {"aaa"}}},
    {"dir before file by date", SORT_DATE, {{"zzz", "", DIR, 0, 9}, {"aaa", "", KIND_FILE, 0, 1}}},
    {"extension groups in name order",
     SORT_EXT,
     {{"q", "exe", DIR},
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
     {{"a", "", DIR},
      {"b", "", DIR},
      {"z"},
      {"a", "", KIND_FILE, 10},
      {"b", "", KIND_FILE, 10},
      {"c", "", KIND_FILE, 4294967295u},
      {"a", "x", KIND_FILE, 4294967296u},
      {"b", "x", KIND_FILE, 5000000000u}}},
    {"dates oldest first, same stamp by name",
     SORT_DATE,
     {{"y", "", DIR, 0, 0x2000},
      {"x", "", DIR, 0, 0x5000},
      {"z", "", KIND_FILE, 0, 0x2821, 0xFFFF},
      {"b", "", KIND_FILE, 0, 0x5000, 0x0001},
      {"a", "", KIND_FILE, 0, 0x5000, 0x8000},
      {"c", "", KIND_FILE, 0, 0x5000, 0x8000},
      {"a", "", KIND_FILE, 0, 0xFFFF, 0}}},
    {"ties by long name: A-Z folded, then as stored",
     SORT_NAME,
     {{"report-2", "txt", DIR, 0, 0, 0, "report-2024-01.txt"},
      {"a", "", KIND_FILE, 0, 0, 0, "a_b"},
      {"a", "", KIND_FILE, 0, 0, 0, "aB"},
      {"notes", "md", KIND_FILE, 0, 0, 0, "NOTES.md"},
      {"notes", "md", KIND_FILE, 0, 0, 0, "Notes.md"},
      {"notes", "md", KIND_FILE, 0, 0, 0, "notes.md"},
      {"report-2", "txt", KIND_FILE, 0, 0, 0, "report-2022-07.txt"},
      {"report-2", "txt", KIND_FILE, 0, 0, 0, "Report-2024-01.txt"},
      {"report-2", "txt", KIND_FILE, 0, 0, 0, "report-2024-03.txt"},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2", "", KIND_FILE, 0, 0, 0,
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"
       "1"},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2", "", KIND_FILE, 0, 0, 0,
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"
       "9"}}},
};

TEST(SortEntries, PutsEveryRowInItsOrder)
{
    for (const OrderRow& row : ORDER_ROWS) {
        SCOPED_TRACE(row.what);
        std::vector<EntryRecord> records;
        for (const Entry& entry : row.in_order) {
            records.push_back(make_record(entry));
        }
        std::vector<std::string> expected;
        std::transform(records.begin(), records.end(), std::back_inserter(expected), label);

        std::vector<EntryRecord> reversed(records.rbegin(), records.rend());
        EXPECT_EQ(sorted_labels(row.key, reversed), expected);
        std::rotate(records.begin(), records.begin() + records.size() / 2, records.end());
        EXPECT_EQ(sorted_labels(row.key, records), expected);
    }
}

TEST(SortEntries, LeavesTheBufferAloneWithoutAKeyOrAPair)
{
    const std::vector<EntryRecord> unsorted = {make_record({"b"}), make_record({"a", "", DIR}),
                                               make_record({"a"})};
    const std::vector<std::string> as_given = {"b.", "a./", "a."};
    for (const auto key : {SORT_NONE, static_cast<SortKey>(9)}) {
        EXPECT_EQ(sorted_labels(key, unsorted), as_given);
    }
    EXPECT_EQ(sorted_labels(SORT_NAME, {unsorted[0]}), std::vector<std::string>{"b."});
    EXPECT_TRUE(sorted_labels(SORT_NAME, {}).empty());

    // Only records [0, n) take part.
    entry_buffer = std::make_unique<EntryRecord[]>(3);
    std::copy(unsorted.begin(), unsorted.end(), entry_buffer.get());
    sort_entries(SORT_NAME, 2);
    EXPECT_EQ(label(entry_buffer[0]), "a./");
    EXPECT_EQ(label(entry_buffer[2]), "a.");
}

// Fields are read only up to their width: past a full name or extension only
// the long name breaks a tie, and records equal in it too compare equal.
TEST(Comparisons, StopAtTheFieldWidth)
{
    const EntryRecord a = make_record({"abcdefgh", "exe", KIND_FILE, 0, 0, 0, "first"});
    const EntryRecord b = make_record({"abcdefgh", "exe", KIND_FILE, 0, 0, 0, "second"});
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
