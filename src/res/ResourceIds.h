// Identifiers of the executable's resources, shared by the resource script and
// the code that loads them.
#pragma once

// String table: the format of the uninstall question (one %s for the display
// name) and the service description.
#define IDS_UNINSTALL_QUESTION 110
#define IDS_SERVICE_DESCRIPTION 111

// What the program tells whoever uses it: the dialog's refusals of a field,
// and failed installations and removals ("%1": the system's text for the
// error, "%2": its number).
#define IDS_NO_SERVER 112
#define IDS_BAD_INTERVAL 113
#define IDS_ALREADY_INSTALLED 114
#define IDS_INSTALL_FAILED 115
#define IDS_UNINSTALL_FAILED 116
// -u where Windows Installer's package installed the service: "%1" is the
// package's product code.
#define IDS_PACKAGE_INSTALLED 117

// The configuration dialog template, and the two header arrows (ascending,
// descending; 16x16 each on magenta) of sorted list-view columns.
#define IDD_CONFIGURATION 111
#define IDB_SORT_ARROWS 1111

