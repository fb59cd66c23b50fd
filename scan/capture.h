// Capture: one search result into a fixed-width entry record, counted into
// the running pass's totals.
#pragma once

#include "core/entry_record.h"
#include "fs/fs_services.h"

// Fills record from result and counts it into scan_totals (directories and
// bytes; the pass counts entries).
void capture_entry(EntryRecord& record, const FindResult& result);
