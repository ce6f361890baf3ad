// Identifiers of the executable's resources, shared by the resource script and
// the code that loads them.
#pragma once

// String table: the format of the uninstall question (one %s for the display
// name) and the service description.
#define IDS_UNINSTALL_QUESTION 110
#define IDS_SERVICE_DESCRIPTION 111

// The configuration dialog template, and the two header arrows (ascending,
// descending; 16x16 each on magenta) of sorted list-view columns.
#define IDD_CONFIGURATION 111
#define IDB_SORT_ARROWS 1111
