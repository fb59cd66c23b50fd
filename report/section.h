// The frame of each directory's section: the line break and dashed rule
// before it, the "directory of" header with the volume label, and the summary.
#pragma once

#include "fs/fs_services.h"
#include "report/out_stream.h"

enum SectionEvent : int {
    SEC_WANT_BREAK = 0, // end the open line before the next header
    SEC_WANT_RULE = 1,  // print the rule before the next header
    SEC_RESET = 2,      // a new section begins: closed, nothing wanted
    SEC_OPEN = 3,       // a listed entry: print the header unless printed
};

// Only SEC_OPEN writes, to out; the other events need no stream.
void section_event(SectionEvent event, OutStream* out = nullptr);

// The running pass's summary line, left open (out_column = 1).
void print_summary(OutStream& out);

// The volume label of drive_letter's drive; empty when there is none.
// Static buffer.
const char* volume_label();
// "(label) " in lower case, or the empty text. Static buffer.
const char* header_label();
// The same text for a given label; a label of up to 255 characters is shown
// whole. Static buffer, shared with header_label.
const char* header_label_for(const char* label);

// Removes a first '.' that stands after exactly eight characters.
void drop_label_dot(char* label);
