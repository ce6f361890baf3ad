// Identifiers of the executable's resources, shared by the resource script and
// the code that loads them.
#pragma once

// String table: the format of the uninstall question (one %s for the display
// name) and the service description.
#define IDS_UNINSTALL_QUESTION 110
#define IDS_SERVICE_DESCRIPTION 111

// The configuration dialog template and its bitmap.
#define IDD_CONFIGURATION 111
#define IDB_CONFIGURATION 1111
