// Names matched against search patterns the way a case-blind host matches
// them: case-blind for A-Z against a-z only, '*' any run and '?' one
// character, and the two trailing-dot forms ("*.*" and "*.") that also catch
// names without a '.'. Text only; a layer whose host matches names itself
// needs it only where it reads a whole directory and picks the matches.
#pragma once

#include <string_view>

// Case-blind for A-Z against a-z only; every other byte compares exactly.
bool names_equal_blind(std::string_view a, std::string_view b);
bool has_wildcards(std::string_view name);
// '*' any run, '?' one character, case-blind; a pattern ending in ".*" also
// matches a name with no '.', and one ending in a lone '.' after its last
// wildcard matches a name with no extension.
bool name_matches(std::string_view pattern, std::string_view name);
// Whether the pattern matches every name ("*" and "*.*"), so that a search
// need not ask name by name.
bool matches_every_name(std::string_view pattern);
